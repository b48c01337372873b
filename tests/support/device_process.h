// The device simulator, vornex-sim, started as a real process for one test:
// on a free TCP port, answering discovery on a UDP port of its own (so that
// tests and other devices on this machine never meet), ended when the test
// ends.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

class DeviceProcess {
 public:
  // Runs `prefix` (such as "ip netns exec NAME"), vornex-sim, then `arguments`
  // after --port and --discovery-port, and waits until it says where it
  // listens. `discoveryPort` 0 picks a free one.
  explicit DeviceProcess(const std::vector<std::string>& arguments = {},
                         const std::vector<std::string>& prefix = {},
                         std::uint16_t discoveryPort = 0);
  // SIGTERM (the device says goodbye to its client), then waits for it.
  ~DeviceProcess();
  DeviceProcess(const DeviceProcess&) = delete;
  DeviceProcess& operator=(const DeviceProcess&) = delete;

  // It started and is listening.
  bool listening() const { return port_ != 0; }
  std::uint16_t port() const { return port_; }
  std::uint16_t discoveryPort() const { return discoveryPort_; }
  pid_t pid() const { return pid_; }
  // What it printed, its first line included.
  std::string Output();

  void Signal(int signal);
  // SIGKILL, and waits until it is gone.
  void Kill();
  // Its exit status once it has ended, within `seconds`; -1 if it has not.
  int Wait(double seconds);

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string printed_;
  std::uint16_t port_ = 0;
  std::uint16_t discoveryPort_ = 0;
  int status_ = -1;
};

// A port nobody on this machine listens on now.
std::uint16_t FreeTcpPort();
std::uint16_t FreeUdpPort();

// Runs vornex-sim with `arguments` to its end: its exit status and all it
// printed on both outputs.
struct RunResult {
  int exitCode;
  std::string output;
};
RunResult RunDeviceSimulator(const std::string& arguments);

}  // namespace testing_support
