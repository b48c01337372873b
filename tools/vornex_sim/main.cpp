// vornex-sim: the network server device simulator, a program of its own.
// Tarnwick reaches it through the Pondel library as adapter kind 2 (VORNEX).
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/signalfd.h>
#include <unistd.h>

#include "pondel/bacnet_devices.h"
#include "tools/vornex_sim/device.h"
#include "tools/vornex_sim/options.h"
#include "tools/vornex_sim/replay_file.h"

namespace {

constexpr int kUsageError = 2;

// SIGINT and SIGTERM end the device in order (the client is told goodbye):
// they are taken from a descriptor that the device's loop waits on. Blocked
// before any thread starts, so that every thread leaves them to it.
int StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  return signalfd(-1, &signals, SFD_CLOEXEC);
}

}  // namespace

int main(int argc, char** argv) {
  const vornex::ParsedCommandLine parsed = vornex::ParseCommandLine(argc, argv);
  if (!parsed.options) {
    std::fputs(parsed.message.c_str(), parsed.help ? stdout : stderr);
    if (!parsed.help) std::fputc('\n', stderr);
    return parsed.help ? 0 : kUsageError;
  }
  const vornex::DeviceOptions& options = *parsed.options;

  vornex::DeviceConfig config;
  config.listen = options.listen;
  config.port = options.port;
  config.discoveryPort = options.discoveryPort;
  config.queueCapacity = options.network.queueCapacity;
  config.name = options.name;
  config.vanishAfter = options.vanishAfter;
  std::unique_ptr<vornex::FrameSource> source;
  std::string network;
  if (!options.replay.empty()) {
    std::string error;
    auto frames = vornex::LoadReplay(options.replay, error);
    if (!frames) {
      std::fprintf(stderr, "vornex-sim: %s\n", error.c_str());
      return 1;
    }
    network = "replaying " + std::to_string(frames->size()) + " frames of " + options.replay +
              " at each capture start";
    config.nodeId = options.nodeId;
    source = std::make_unique<vornex::PcapReplay>(std::move(*frames));
  } else {
    // As a controller that finds its node ID taken by a simulated device.
    config.nodeId = pondel::FreeNodeFrom(options.nodeId);
    network = "SIMULATED network at " + (options.network.flood
                                             ? std::string("flood rate")
                                             : std::to_string(options.network.rate) + " frames/s");
    source = std::make_unique<vornex::SimulatedNetwork>(options.network, options.seedFixed);
  }

  const int stop = StopSignals();
  vornex::VornexDevice device(config, std::move(source), stdout);
  if (const std::string error = device.Listen(); !error.empty()) {
    std::fprintf(stderr, "vornex-sim: %s\n", error.c_str());
    return 1;
  }
  // The first line says where to connect (tests read the port from it).
  std::printf("vornex-sim: listening on %s; automatic detection %s; node %d; %s\n",
              device.endpoint().ToString().c_str(),
              device.AnswersDiscovery()
                  ? ("answered on UDP port " + std::to_string(config.discoveryPort)).c_str()
                  : "not answered",
              config.nodeId, network.c_str());
  std::fflush(stdout);
  device.Run(stop);
  close(stop);
  return 0;
}
