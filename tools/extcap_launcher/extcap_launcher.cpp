// tarnwick-extcap.exe as Wireshark's extcap folder holds it: a stand-in that
// starts the real tarnwick-extcap.exe in Tarnwick's own folder, with the same
// arguments and standard handles, and ends with its exit code. Windows loads
// a program's DLLs from the program's folder, so only from there does the
// capture use the same Pondel.dll as Tarnwick.exe (ours, or the maker's that
// replaced it). The installer records that folder in the registry.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

std::wstring InstallFolder() {
  wchar_t folder[MAX_PATH] = {};
  DWORD size = sizeof folder;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Tarnwick", L"InstallDir", RRF_RT_REG_SZ, nullptr,
                   folder, &size) != ERROR_SUCCESS)
    return {};
  std::wstring path = folder;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

int Fail(const char* message) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, static_cast<DWORD>(strlen(message)), &written,
            nullptr);
  return 1;
}

// The command line after the program's own name, as Windows quotes it.
const wchar_t* Arguments(const wchar_t* line) {
  if (*line == L'"') {
    for (++line; *line && *line != L'"'; ++line) {
    }
    if (*line) ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  return line;
}

}  // namespace

int main() {
  const std::wstring folder = InstallFolder();
  if (folder.empty())
    return Fail(
        "tarnwick-extcap: Tarnwick is not installed (no InstallDir in "
        "HKLM\\Software\\Tarnwick)\n");
  const std::wstring program = folder + L"tarnwick-extcap.exe";
  std::wstring line = L"\"" + program + L"\"" + Arguments(GetCommandLineW());

  // Wireshark ends a capture it no longer wants by ending this process; the
  // job ends the real one with it.
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                      nullptr, nullptr, &startup, &process))
    return Fail("tarnwick-extcap: cannot start the installed tarnwick-extcap.exe\n");
  AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  return static_cast<int>(status);
}
