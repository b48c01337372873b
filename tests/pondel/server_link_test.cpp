// The network server device over real sockets on this machine: the device
// simulator as a real process, or a scripted device that says exactly what a
// test needs (malformed, oversized, out of order). What the library must
// never do: hang, read past a message, or lose a frame without counting it.
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "pondel/protocol.h"
#include "tests/pondel/pondel_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/device_process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace pondel_testing;
using namespace std::chrono_literals;
using testing_support::DeviceProcess;
namespace wire = pondel::wire;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Init of the network server device: its result, and the node ID it reported.
struct Connected {
  std::int32_t result;
  std::uint8_t nodeId;
};
Connected ConnectTo(const char* address, std::uint16_t port) {
  ServerInitBlock block{};
  block.address = address;
  block.port = port;
  block.initFlag = 1;
  const std::int32_t result = Com20020Init(&block, 0, kAdapterServer);
  return {result, block.nodeId};
}

int ListeningSocket(sockaddr_in& address) {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(s, 4);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  return s;
}

// A TCP connection to 127.0.0.1 `port`, or -1.
int ConnectedSocket(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return s;
  close(s);
  return -1;
}

// A device on 127.0.0.1 that plays a script: for each step it waits for a
// message of the awaited type from the client, then sends the answer as
// given, byte for byte (one at a time, `perByte` apart, if set). After the
// last step it keeps the connection open, reading what comes, until the test
// ends it.
class ScriptedDevice {
 public:
  struct Step {
    wire::Type awaited;
    Bytes answer;
    bool closeAfter = false;
    std::chrono::milliseconds perByte{0};
  };

  explicit ScriptedDevice(std::vector<Step> steps) : steps_(std::move(steps)) {
    sockaddr_in address;
    listener_ = ListeningSocket(address);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedDevice() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  std::uint16_t port() const { return port_; }

 private:
  bool Readable(int s) {
    while (!stop_) {
      pollfd p{s, POLLIN, 0};
      if (poll(&p, 1, 20) == 1) return true;
    }
    return false;
  }

  void Serve() {
    if (!Readable(listener_)) return;
    const int client = accept(listener_, nullptr, nullptr);
    wire::MessageReader reader;
    for (const Step& step : steps_) {
      wire::Message message;
      bool got = false;
      while (!got) {
        const auto next = reader.Next(message);
        if (next == wire::MessageReader::Result::kMessage) {
          got = message.type == static_cast<std::uint8_t>(step.awaited);
          continue;
        }
        if (!Readable(client)) break;
        const auto space = reader.Space();
        const ssize_t n = recv(client, space.data(), space.size(), 0);
        if (n <= 0) break;
        reader.Commit(static_cast<std::size_t>(n));
      }
      if (!got) break;
      if (step.perByte.count() == 0) {
        send(client, step.answer.data(), step.answer.size(), MSG_NOSIGNAL);
      } else {
        for (std::size_t i = 0; i < step.answer.size() && !stop_; ++i) {
          if (send(client, &step.answer[i], 1, MSG_NOSIGNAL) != 1) break;
          std::this_thread::sleep_for(step.perByte);
        }
      }
      if (step.closeAfter) {
        close(client);
        return;
      }
    }
    std::uint8_t discard[4096];
    while (Readable(client) && recv(client, discard, sizeof discard, 0) > 0) {
    }
    close(client);
  }

  std::vector<Step> steps_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

Bytes Welcome(std::uint16_t version = wire::kHighestVersion) {
  Bytes out;
  wire::AppendWelcome(out, {version, 0, "scripted"});
  return out;
}

Bytes InitDone(std::uint8_t node) {
  Bytes out;
  wire::AppendInitDone(out, node);
  return out;
}

Bytes Frame(std::uint32_t sequence) {
  ArcnetFrame frame{};
  frame.source = 21;
  frame.destination = 3;
  frame.length = 7;
  frame.data[0] = static_cast<std::uint8_t>(sequence);
  Bytes out;
  wire::AppendFrame(out, sequence, frame);
  return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class ServerLinkTest : public PondelTest {
 protected:
  // Waits and drains as a capture does until the library reports the link
  // ended (or ten seconds pass): the frames it delivered and the code.
  std::pair<std::vector<ArcnetFrame>, std::int32_t> ReceiveUntilLinkEnds() {
    std::vector<ArcnetFrame> frames;
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
      if (!WaitForEvent(100ms)) continue;
      ArcnetFrame frame{};
      std::int32_t result;
      do {
        result = Com20020Receive(&frame);
        if (result == 0) frames.push_back(frame);
      } while (frame.waiting != 0);
      if (result == kPondelSimLinkBroken || result == kPondelSimLinkClosed) return {frames, result};
    }
    return {frames, 0};
  }
};

TEST_F(ServerLinkTest, ConnectsByNameAndIpv6AndTheDeviceFiltersAsItsControllerSays) {
  DeviceProcess device({"--node", "77", "--rate", "3000", "--seed", "5"});
  ASSERT_TRUE(device.listening()) << device.Output();
  std::vector<const char*> addresses = {"localhost", "127.0.0.1"};
  if (sockaddr_in6 probe{}; inet_pton(AF_INET6, "::1", &probe.sin6_addr) == 1) {
    const int s = socket(AF_INET6, SOCK_STREAM, 0);
    probe.sin6_family = AF_INET6;
    if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&probe), sizeof probe) == 0) {
      addresses.push_back("::1");
      addresses.push_back("[::1]");
    }
    if (s >= 0) close(s);
  }
  for (const char* address : addresses) {
    const Connected c = ConnectTo(address, device.port());
    ASSERT_EQ(c.result, 0) << address;
    EXPECT_EQ(c.nodeId, 77) << address;
    EXPECT_EQ(ReadIndexed(1), 77) << address << ": the device's own node register";
  }

  // Receive-all clear: only what is addressed to node 77 or broadcast.
  RegisterEvent();
  Com20020FlushRX();
  std::vector<ArcnetFrame> own;
  for (int batch = 0; batch < 100 && own.size() < 20; ++batch) {
    const auto frames = NextBatch();  // a wake-up from before the flush may find none
    own.insert(own.end(), frames.begin(), frames.end());
  }
  ASSERT_GE(own.size(), 20u);
  for (const ArcnetFrame& frame : own)
    EXPECT_TRUE(frame.destination == 0 || frame.destination == 77);

  // Receive-all set: everybody's frames, and nothing lost on the way.
  SwitchReceiveAllOn();
  Com20020FlushRX();
  std::set<int> destinations;
  for (int batch = 0; batch < 50 && destinations.size() < 4; ++batch)
    for (const ArcnetFrame& frame : NextBatch()) destinations.insert(frame.destination);
  EXPECT_GE(destinations.size(), 4u);
  EXPECT_EQ(PondelDroppedFrames(), 0u);
}

TEST_F(ServerLinkTest, AFloodOfLongFramesNeverStallsTheDevice) {
  // More frames wait in the device than one round of its output holds: a
  // device that waited for the next frame's signal before sending the rest
  // stood still for a second at a time here, some 900 frames a second. Even
  // a sanitized build on a busy machine brings ten times that.
  DeviceProcess device({"--flood", "--seed", "2"});
  ASSERT_TRUE(device.listening()) << device.Output();
  ASSERT_EQ(ConnectTo("127.0.0.1", device.port()).result, 0);
  RegisterEvent();
  SwitchReceiveAllOn();
  Com20020FlushRX();
  std::size_t frames = 0;
  for (const auto start = Clock::now(); Clock::now() - start < 2s;) frames += NextBatch().size();
  EXPECT_GT(frames, 10000u);
}

TEST_F(ServerLinkTest, EachFailureToConnectHasItsOwnCode) {
  // Nothing listens.
  EXPECT_EQ(ConnectTo("127.0.0.1", testing_support::FreeTcpPort()).result,
            kPondelSimConnectionRefused);
  // No such name.
  EXPECT_EQ(ConnectTo("no-such-device.invalid", 5001).result, kPondelSimUnresolvedAddress);
  // No socket to be had: the process may open no more descriptors.
  EXPECT_EQ(testing_support::RunInChild([] {
              const rlimit none{0, 0};
              return setrlimit(RLIMIT_NOFILE, &none) == 0 &&
                     ConnectTo("127.0.0.1", 5001).result == kPondelSimSocketFailed &&
                     ConnectTo(nullptr, 0).result == kPondelSimSocketFailed;
            }),
            0);
  // Nobody answers automatic detection on this port.
  Set("PONDEL_SIM_DISCOVERY_PORT", std::to_string(testing_support::FreeUdpPort()).c_str());
  EXPECT_EQ(ConnectTo(nullptr, 0).result, kPondelSimNoDeviceAnswered);

  // A device already serving another client says so, by address and when detected.
  {
    DeviceProcess device({"--rate", "0"});
    ASSERT_TRUE(device.listening()) << device.Output();
    const int other = ConnectedSocket(device.port());
    ASSERT_GE(other, 0);
    ASSERT_TRUE(Eventually([&] { return device.Output().find("connected") != std::string::npos; }));
    EXPECT_EQ(ConnectTo("127.0.0.1", device.port()).result, kPondelSimDeviceBusy);
    Set("PONDEL_SIM_DISCOVERY_PORT", std::to_string(device.discoveryPort()).c_str());
    EXPECT_EQ(ConnectTo(nullptr, 0).result, kPondelSimDeviceBusy);
    close(other);
  }

  // A peer that accepts and never answers: given up within the bound.
  {
    sockaddr_in address;
    const int silent = ListeningSocket(address);
    const auto start = Clock::now();
    EXPECT_EQ(ConnectTo("127.0.0.1", ntohs(address.sin_port)).result, kPondelSimTimedOut);
    const double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 1.9);
    EXPECT_LT(seconds, 4.0) << "the answer bound is 2 s";
    close(silent);
  }

  // Peers that are not a device of ours, or not of a version we speak.
  const std::string http = "HTTP/1.0 400 Bad Request\r\n\r\n";
  const Bytes notOurs[] = {
      Bytes(http.begin(), http.end()),
      {0, 11, 0x02, 'X', 'R', 'N', 'X', 0, 1, 0, 0, 0, 0},  // WELCOME, wrong magic
      {0xFF, 0xFF, 0x02},                                   // longer than any message
      Welcome(9),
      [] {
        Bytes out;
        wire::AppendRefuse(out, {wire::RefuseReason::kNoCommonVersion, {2, 3}});
        return out;
      }(),
      {},  // says nothing and closes
  };
  for (const Bytes& answer : notOurs) {
    ScriptedDevice device({{wire::Type::kHello, answer, answer.empty()}});
    EXPECT_EQ(ConnectTo("127.0.0.1", device.port()).result, kPondelSimProtocolMismatch)
        << answer.size() << " bytes";
  }
  // A device that claims the broadcast ID as its node.
  ScriptedDevice nodeZero({{wire::Type::kHello, Welcome()}, {wire::Type::kInit, InitDone(0)}});
  EXPECT_EQ(ConnectTo("127.0.0.1", nodeZero.port()).result, kPondelSimProtocolMismatch);
}

TEST_F(ServerLinkTest, AMalformedOrOversizedMessageEndsTheLinkAfterTheGoodFrames) {
  struct Case {
    const char* what;
    Bytes then;
    std::int32_t code;
  };
  Bytes unknownType = {0, 1, 0x7F};
  Bytes oversized = {0x08, 0x00, 0x40};  // a FRAME of 2047 bytes
  oversized.resize(oversized.size() + 0x800, 0xAA);
  Bytes bye;
  wire::AppendBye(bye, wire::ByeReason::kDeviceShutdown);
  Bytes unasked;
  wire::AppendRegisterDone(unasked, {1, wire::RegisterStatus::kDone, 0});
  Bytes tooLong = {0x02, 0x04, 0x40, 0, 0, 0, 2, 21, 3};  // 509 data bytes
  tooLong.resize(tooLong.size() + 509, 0x55);
  const Case cases[] = {
      {"a message longer than any", oversized, kPondelSimLinkBroken},
      {"a frame of 509 data bytes", tooLong, kPondelSimLinkBroken},
      {"a message type no device sends", unknownType, kPondelSimLinkBroken},
      {"a frame numbered before the last", Frame(1), kPondelSimLinkBroken},
      {"a frame that says 2^24 + 1 were lost", Frame(2 + wire::kMaxSequenceJump + 1),
       kPondelSimLinkBroken},
      {"an answer nobody asked for", unasked, kPondelSimLinkBroken},
      {"a goodbye after frames 2 and 3 were lost", Frame(4) + bye, kPondelSimLinkClosed},
  };
  for (const Case& c : cases) {
    ScriptedDevice device({{wire::Type::kHello, Welcome()},
                           {wire::Type::kInit, InitDone(9) + Frame(0) + Frame(1) + c.then}});
    const Connected connected = ConnectTo("127.0.0.1", device.port());
    ASSERT_EQ(connected.result, 0) << c.what;
    EXPECT_EQ(connected.nodeId, 9);
    RegisterEvent();
    const auto [frames, code] = ReceiveUntilLinkEnds();
    EXPECT_EQ(code, c.code) << c.what;
    const bool gap = c.code == kPondelSimLinkClosed;
    ASSERT_EQ(frames.size(), gap ? 3u : 2u) << c.what << ": the good frames are delivered";
    EXPECT_EQ(frames[1].data[0], 1);
    EXPECT_EQ(PondelDroppedFrames(), gap ? 2u : 0u) << c.what;
    RegisterRequest request{kRegisterRead, 0, 0};
    EXPECT_EQ(Com20020Register(&request), c.code) << c.what << ": every call says so";
    EXPECT_EQ(Com20020FlushRX(), c.code) << c.what;
    Com20020ResetWakeOnReceive();
    Com20020Exit();
    close(event_);
    event_ = -1;
  }
}

TEST_F(ServerLinkTest, ADeviceThatDiesStallsOrShutsDownIsReportedNeverWaitedFor) {
  {
    SCOPED_TRACE("killed mid-capture");
    DeviceProcess device({"--rate", "2000"});
    ASSERT_TRUE(device.listening()) << device.Output();
    ASSERT_EQ(ConnectTo("127.0.0.1", device.port()).result, 0);
    RegisterEvent();
    SwitchReceiveAllOn();
    Com20020FlushRX();
    ASSERT_TRUE(Eventually([&] { return !NextBatch().empty(); }));
    device.Kill();
    EXPECT_EQ(ReceiveUntilLinkEnds().second, kPondelSimLinkBroken);
    RegisterRequest request{kRegisterWrite, 5, 2};
    EXPECT_EQ(Com20020Register(&request), kPondelSimLinkBroken);
    const auto start = Clock::now();
    Com20020Exit();
    EXPECT_LT(SecondsSince(start), 1.0);
  }
  {
    SCOPED_TRACE("stopped: answers nothing, closes nothing");
    DeviceProcess device({"--rate", "0"});
    ASSERT_TRUE(device.listening()) << device.Output();
    ASSERT_EQ(ConnectTo("127.0.0.1", device.port()).result, 0);
    device.Signal(SIGSTOP);
    const auto start = Clock::now();
    EXPECT_EQ(ReadRegister(0), -1);
    EXPECT_LT(SecondsSince(start), 7.0) << "the answer bound is 6 s";
    ArcnetFrame frame{};
    EXPECT_EQ(Com20020Receive(&frame), kPondelSimLinkBroken);
    // The library has let go of the link, so the device, once it runs
    // again, is free for the next client.
    device.Signal(SIGCONT);
    EXPECT_TRUE(Eventually([&] {
      return device.Output().find("closed the link without a goodbye") != std::string::npos;
    })) << device.Output();
    const auto exit = Clock::now();
    Com20020Exit();
    EXPECT_LT(SecondsSince(exit), 1.0);
  }
  {
    SCOPED_TRACE("answers its first ping with a frame, one byte a second");
    ScriptedDevice device({{wire::Type::kHello, Welcome()},
                           {wire::Type::kInit, InitDone(9) + Frame(0)},
                           {wire::Type::kPing, Frame(1), false, 1000ms}});
    ASSERT_EQ(ConnectTo("127.0.0.1", device.port()).result, 0);
    const auto start = Clock::now();
    RegisterEvent();
    const auto [frames, code] = ReceiveUntilLinkEnds();
    EXPECT_EQ(code, kPondelSimLinkBroken) << "bytes that make no message keep no link alive";
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_LT(SecondsSince(start), 7.5) << "the first ping goes at once, and 6 s is the bound";
    Com20020ResetWakeOnReceive();
    Com20020Exit();
    close(event_);
    event_ = -1;
  }
  {
    SCOPED_TRACE("shut down in order");
    DeviceProcess device({"--rate", "0"});
    ASSERT_TRUE(device.listening()) << device.Output();
    ASSERT_EQ(ConnectTo("127.0.0.1", device.port()).result, 0);
    RegisterEvent();
    device.Signal(SIGTERM);
    EXPECT_EQ(ReceiveUntilLinkEnds().second, kPondelSimLinkClosed);
    EXPECT_EQ(device.Wait(5), 0) << "the device ends in order";
    EXPECT_NE(device.Output().find("told goodbye"), std::string::npos) << device.Output();
  }
}

// The most the process has held in memory so far, in kB.
long PeakMemory(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string key;
  long kilobytes = 0;
  while (status >> key && key != "VmHWM:") status.ignore(1 << 16, '\n');
  status >> kilobytes;
  return kilobytes;
}

TEST(DeviceSimulator, AClientThatAsksAndNeverReadsIsDroppedBeforeItFillsTheMemory) {
  DeviceProcess device({"--rate", "0"});
  ASSERT_TRUE(device.listening()) << device.Output();
  const int client = ConnectedSocket(device.port());
  ASSERT_GE(client, 0);
  const timeval sendBound{1, 0};
  setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &sendBound, sizeof sendBound);
  Bytes hello;
  wire::AppendHello(hello);
  wire::AppendInit(hello);
  ASSERT_EQ(send(client, hello.data(), hello.size(), MSG_NOSIGNAL), ssize_t(hello.size()));
  // Pings as fast as the device takes them; their answers are never read.
  Bytes pings;
  while (pings.size() < 64 * 1024) wire::AppendPing(pings);
  const auto start = Clock::now();
  std::uint64_t sent = 0;
  while (SecondsSince(start) < 8) {
    // The stream is `pings` over and over, whatever part a send took.
    const std::size_t at = sent % pings.size();
    const ssize_t n = send(client, pings.data() + at, pings.size() - at, MSG_NOSIGNAL);
    if (n < 0 && errno != EAGAIN) break;  // dropped
    if (n > 0) sent += static_cast<std::uint64_t>(n);
  }
  EXPECT_LT(SecondsSince(start), 8) << sent << " bytes of pings and the client is still served";
  EXPECT_TRUE(Eventually([&] {
    return device.Output().find("does not read what it is sent") != std::string::npos;
  })) << device.Output();
  EXPECT_LT(PeakMemory(device.pid()), 64 * 1024) << "kB";
  close(client);
}

TEST(DeviceSimulatorCommandLine, RefusesWhatItCannotUseBeforeListening) {
  using testing_support::RunDeviceSimulator;
  const auto help = RunDeviceSimulator("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("--replay FILE"), std::string::npos);
  EXPECT_NE(help.output.find("SIMULATED"), std::string::npos);

  const std::pair<const char*, const char*> refused[] = {
      {"--port 70000", "--port: '70000' is not a port number"},
      {"--node 0", "--node: '0' is not a node ID from 1 to 255"},
      {"--rate fast", "--rate: 'fast' is not a rate"},
      {"--replay x.pcap --rate 5", "--replay plays its file"},
      {"--frobnicate", "unknown option '--frobnicate'"},
  };
  for (const auto& [arguments, message] : refused) {
    const auto result = RunDeviceSimulator(arguments);
    EXPECT_EQ(result.exitCode, 2) << arguments;
    EXPECT_NE(result.output.find(message), std::string::npos) << arguments << ": " << result.output;
  }

  testing_support::TempDir dir;
  const auto file = [&](const char* name, const std::string& bytes) {
    std::FILE* f = std::fopen((dir.path() / name).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return "--port 0 --discovery-port 0 --replay " + (dir.path() / name).string();
  };
  std::string ethernet(24, '\0');
  const std::uint32_t header[] = {0xA1B2C3D4, 0x00040002, 0, 0, 65535, 1};
  std::memcpy(ethernet.data(), header, sizeof header);
  std::string pcapng = "\x0A\x0D\x0D\x0A";
  pcapng.resize(28, '\0');
  const std::pair<std::string, const char*> unplayable[] = {
      {file("ethernet.pcap", ethernet), "link type 1, not 129"},
      {file("capture.pcapng", pcapng), "a pcapng file; save it as pcap"},
      {file("cut.pcap", ethernet.substr(0, 20) + std::string("\x81\0\0\0\1\0\0\0", 8)),
       "record 1 is cut short"},
      {"--replay /nonexistent.pcap", "cannot be opened"},
  };
  for (const auto& [arguments, message] : unplayable) {
    const auto result = RunDeviceSimulator(arguments);
    EXPECT_EQ(result.exitCode, 1) << arguments;
    EXPECT_NE(result.output.find(message), std::string::npos) << arguments << ": " << result.output;
  }
}

// Two network namespaces joined by a veth pair stand for two machines on one
// segment: the device in one, the library in the other, found by broadcast.
class NetworkNamespaces : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "creating network namespaces needs root";
    const std::string id = std::to_string(getpid());
    device_ = "tarnwick-dev-" + id;
    client_ = "tarnwick-cli-" + id;
    const std::string veth = "twk" + id;
    const std::string steps[] = {
        "ip netns add " + device_,
        "ip netns add " + client_,
        "ip link add " + veth + "d netns " + device_ + " type veth peer name " + veth + "c netns " +
            client_,
        "ip -n " + device_ + " addr add 10.77.0.1/24 dev " + veth + "d",
        "ip -n " + client_ + " addr add 10.77.0.2/24 dev " + veth + "c",
        "ip -n " + device_ + " link set " + veth + "d up",
        "ip -n " + client_ + " link set " + veth + "c up",
        "ip -n " + device_ + " link set lo up",
        "ip -n " + client_ + " link set lo up",
    };
    for (const std::string& step : steps) {
      if (std::system((step + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot set up network namespaces here (`" << step
                     << "` failed; needs iproute2 and CAP_SYS_ADMIN)";
    }
  }
  void TearDown() override {
    for (const std::string& name : {device_, client_})
      if (!name.empty()) std::system(("ip netns del " + name + " 2>/dev/null").c_str());
  }

  std::string device_, client_;
};

TEST_F(NetworkNamespaces, DiscoveryFindsADeviceAcrossTheSegmentAndANetworkWithNoRouteIsSaid) {
  DeviceProcess device({"--node", "61", "--rate", "0"}, {"ip", "netns", "exec", device_},
                       wire::kDefaultPort);
  ASSERT_TRUE(device.listening()) << device.Output();
  const std::string netns = "/var/run/netns/" + client_;
  const int status = testing_support::RunInChild([&] {
    const int ns = open(netns.c_str(), O_RDONLY | O_CLOEXEC);
    if (ns < 0 || setns(ns, CLONE_NEWNET) != 0) return false;
    unsetenv("PONDEL_SIM_DISCOVERY_PORT");  // the real port, 5001
    const Connected found = ConnectTo(nullptr, 0);
    std::fprintf(stderr, "discovery across namespaces: %d, node %d\n", found.result, found.nodeId);
    Com20020Exit();
    const Connected unreachable = ConnectTo("10.201.0.1", 5001);
    std::fprintf(stderr, "an address with no route: %d\n", unreachable.result);
    return found.result == 0 && found.nodeId == 61 && unreachable.result == kPondelSimUnreachable;
  });
  EXPECT_EQ(status, 0);
  EXPECT_NE(device.Output().find("client ::ffff:10.77.0.2"), std::string::npos) << device.Output();
}

// Frames the device took before a flush and sends ahead of its answer are
// dropped, so a capture never starts with frames from before its Start.
TEST_F(ServerLinkTest, FramesSentAheadOfTheFlushAnswerAreDropped) {
  Bytes flushed;
  wire::AppendFlushed(flushed, 1);  // the link's first request is tagged 1
  ScriptedDevice device({{wire::Type::kHello, Welcome()},
                         {wire::Type::kInit, InitDone(9)},
                         {wire::Type::kFlush, Frame(0) + Frame(1) + flushed + Frame(2)}});
  ASSERT_EQ(ConnectTo("127.0.0.1", device.port()).result, 0);
  RegisterEvent();
  ASSERT_EQ(Com20020FlushRX(), 0);
  std::vector<ArcnetFrame> frames;
  ASSERT_TRUE(Eventually([&] {
    const auto batch = Drain();
    frames.insert(frames.end(), batch.begin(), batch.end());
    return !frames.empty();
  }));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].data[0], 2) << "the frame after the answer, and only it";
  EXPECT_EQ(Drain().size(), 0u);
  EXPECT_EQ(PondelDroppedFrames(), 0u);
}

}  // namespace
