// tarnwick-extcap.exe as Wireshark runs it on Windows: its capture pipe
// named in letters outside the ANSI code page, and the control pipe that
// Wireshark closes while the capture is idle, which stops it as Stop does.
#include <windows.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "platform/environment.h"
#include "tests/capture/frame_files.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

fs::path ExtcapProgram() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path() / "tarnwick-extcap.exe";
}

TEST(ExtcapOnWindows, AControlPipeClosedWhileIdleEndsTheCaptureWithWholeRecords) {
  const std::wstring id = std::to_wstring(GetCurrentProcessId());
  // Wireshark's ends: the capture pipe, named outside the ANSI code page,
  // which it reads, and the control pipe, which it writes.
  const std::wstring fifo = L"\\\\.\\pipe\\tarnwick-\u6771\u4eac-\u0141\u00f3d\u017a-" + id;
  const std::wstring pipe = L"\\\\.\\pipe\\tarnwick-test-control-" + id;
  const HANDLE capture = CreateNamedPipeW(fifo.c_str(), PIPE_ACCESS_INBOUND,
                                          PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
  const HANDLE control = CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_OUTBOUND,
                                          PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(capture, INVALID_HANDLE_VALUE);
  ASSERT_NE(control, INVALID_HANDLE_VALUE);
  platform::SetEnv("PONDEL_SIM_RATE", "500");
  std::wstring command = L"\"" + ExtcapProgram().wstring() +
                         L"\" --capture --extcap-interface tarnwick-arcnet-usb --fifo " + fifo +
                         L" --extcap-control-in " + pipe;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  platform::UnsetEnv("PONDEL_SIM_RATE");
  ConnectNamedPipe(capture, nullptr);
  ConnectNamedPipe(control, nullptr);
  std::string bytes;
  std::thread reader([&] {
    char piece[4096];
    DWORD got = 0;
    while (ReadFile(capture, piece, sizeof piece, &got, nullptr) && got > 0)
      bytes.append(piece, got);
  });
  Sleep(1000);  // frames arrive; no message comes
  CloseHandle(control);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 5000), WAIT_OBJECT_0) << "still capturing";
  reader.join();
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(capture);
  EXPECT_EQ(exitCode, 0u);
  const auto records = PcapRecords(bytes);
  EXPECT_GT(records.size(), 100u);
  std::size_t whole = 24;
  for (const auto& record : records) whole += 16 + record.bytes.size();
  EXPECT_EQ(bytes.size(), whole) << "a record cut short";
}

}  // namespace
