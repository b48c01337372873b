#include "tests/support/device_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

namespace {

// Ports are read from the first line: "... listening on ADDRESS port N; ...".
std::uint16_t ListeningPort(const std::string& line) {
  const auto at = line.find(" port ", line.find("listening on "));
  return at == std::string::npos ? 0 : static_cast<std::uint16_t>(std::atoi(line.c_str() + at + 6));
}

std::uint16_t FreePort(int type) {
  const int s = socket(AF_INET, type, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  socklen_t size = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  close(s);
  return ntohs(address.sin_port);
}

}  // namespace

std::uint16_t FreeTcpPort() {
  return FreePort(SOCK_STREAM);
}

std::uint16_t FreeUdpPort() {
  return FreePort(SOCK_DGRAM);
}

DeviceProcess::DeviceProcess(const std::vector<std::string>& arguments,
                             const std::vector<std::string>& prefix, std::uint16_t discoveryPort)
    : discoveryPort_(discoveryPort != 0 ? discoveryPort : FreeUdpPort()) {
  std::vector<std::string> command = prefix;
  command.insert(command.end(), {VORNEX_SIM_PATH, "--port", "0", "--discovery-port",
                                 std::to_string(discoveryPort_)});
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);

  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(pipe[1], STDOUT_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(pipe[1]);
  output_ = pipe[0];
  // Its first line, within ten seconds (a sanitized build starts slowly).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (printed_.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{output_, POLLIN, 0};
    if (poll(&p, 1, 100) != 1) continue;
    char buffer[512];
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n <= 0) break;
    printed_.append(buffer, static_cast<std::size_t>(n));
  }
  port_ = ListeningPort(printed_.substr(0, printed_.find('\n')));
}

DeviceProcess::~DeviceProcess() {
  if (pid_ > 0 && status_ < 0) {
    Signal(SIGCONT);  // a stopped device must be able to end
    Signal(SIGTERM);
    if (Wait(5) < 0) Kill();
  }
  if (output_ >= 0) close(output_);
}

std::string DeviceProcess::Output() {
  char buffer[4096];
  for (pollfd p{output_, POLLIN, 0}; output_ >= 0 && poll(&p, 1, 0) == 1;) {
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n <= 0) break;
    printed_.append(buffer, static_cast<std::size_t>(n));
  }
  return printed_;
}

void DeviceProcess::Signal(int signal) {
  if (pid_ > 0 && status_ < 0) kill(pid_, signal);
}

void DeviceProcess::Kill() {
  Signal(SIGKILL);
  Wait(10);
}

int DeviceProcess::Wait(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (pid_ > 0 && status_ < 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = status;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status_;
}

RunResult RunDeviceSimulator(const std::string& arguments) {
  const std::string command = std::string(VORNEX_SIM_PATH) + " " + arguments + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  RunResult result{-1, {}};
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace testing_support
