// tarnwick-extcap.exe as Wireshark runs it on Windows: its output named in
// letters outside the ANSI code page, and the control pipe that Wireshark
// closes while the capture is idle, which stops it as a Stop does.
#include <windows.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "tests/capture/frame_files.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

fs::path ExtcapProgram() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path() / "tarnwick-extcap.exe";
}

TEST(ExtcapOnWindows, AControlPipeClosedWhileIdleEndsTheCaptureWithAWholeFile) {
  TempDir dir;
  const fs::path output = dir.path() / u8"東京 Łódź.pcap";
  const std::wstring pipe =
      L"\\\\.\\pipe\\tarnwick-test-control-" + std::to_wstring(GetCurrentProcessId());
  // Wireshark's end of the control pipe: it writes, the program reads.
  const HANDLE control = CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_OUTBOUND,
                                          PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(control, INVALID_HANDLE_VALUE);
  SetEnv("PONDEL_SIM_RATE", "500");
  std::wstring command = L"\"" + ExtcapProgram().wstring() +
                         L"\" --capture --extcap-interface tarnwick-arcnet-usb --fifo \"" +
                         output.wstring() + L"\" --extcap-control-in " + pipe;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  UnsetEnv("PONDEL_SIM_RATE");
  ConnectNamedPipe(control, nullptr);  // the program has opened its end
  Sleep(1000);                         // frames arrive; no message comes
  CloseHandle(control);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 5000), WAIT_OBJECT_0) << "still capturing";
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exitCode, 0u);
  const std::string bytes = ReadFile(output);
  const auto records = PcapRecords(bytes);
  EXPECT_GT(records.size(), 100u);
  std::size_t whole = 24;
  for (const auto& record : records) whole += 16 + record.bytes.size();
  EXPECT_EQ(bytes.size(), whole) << "a record cut short";
}

}  // namespace
