// tarnwick-extcap as Wireshark's users meet it: installed by cmake --install
// into the extcap folder of a home of its own, run by the real tshark on the
// stand-in library's simulated network, whose trace (PONDEL_SIM_TRACE) says
// what the program did to the adapter.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/support/device_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tshark.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Outcome {
  int status;
  std::string output;  // both outputs
};

// Runs a shell command to its end, at most a minute.
Outcome Shell(const std::string& command) {
  std::FILE* pipe = popen(("timeout 60 " + command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return {-1, {}};
  std::string output;
  char piece[4096];
  for (std::size_t n; (n = std::fread(piece, 1, sizeof piece, pipe)) > 0;) output.append(piece, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::vector<std::string> Lines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Eventually(const std::function<bool()>& condition, std::chrono::seconds limit = 10s) {
  const auto deadline = Clock::now() + limit;
  while (!condition() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
  return condition();
}

// Starts `program` (a path, or a name on PATH) with `args`, its outputs to
// /dev/null.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args) {
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execvp(program.c_str(), argv.data());
    _exit(127);
  }
  return child;
}

// The exit status once the child has ended, at most `limit` later; killed
// and -1 after that.
int ExitStatusWithin(pid_t child, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      return -1;
    }
    std::this_thread::sleep_for(1ms);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Bytes written into a FIFO and not yet read, through a reading end.
int Unread(int reader) {
  int bytes = 0;
  ioctl(reader, FIONREAD, &bytes);
  return bytes;
}

// What a capture of the simulated network does to the controller, from
// Init (not in it) to Exit (nor this).
const std::vector<std::string> kCaptureCalls = {
    "Com20020WakeOnReceive",   "Com20020Register(w5=02)", "Com20020Register(r7)",
    "Com20020Register(w5=02)", "Com20020Register(w7=50)", "Com20020FlushRX",
    "Com20020Register(w5=02)", "Com20020Register(w7=40)", "Com20020ResetWakeOnReceive"};

class TsharkExtcapTest : public ::testing::Test {
 protected:
  // One home for the suite, the program installed into its extcap folder as
  // a user would.
  static void SetUpTestSuite() {
    root_ = new TempDir;
    fs::create_directories(Home());
    fs::create_directories(root_->path() / "tmp");
    setenv("HOME", Home().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    // Wireshark's FIFOs go here, so that anything left behind names the root.
    setenv("TMPDIR", (root_->path() / "tmp").c_str(), 1);
    installed_ = Shell(std::string(CMAKE_COMMAND) + " --install " + BUILD_DIR + " --prefix " +
                       (Home() / ".local").string() + " --component extcap");
  }
  static void TearDownTestSuite() { delete root_; }

  TsharkExtcapTest() {
    setenv("PONDEL_SIM_TRACE", trace().c_str(), 1);
    setenv("PONDEL_SIM_RATE", "2000", 1);
  }
  ~TsharkExtcapTest() override {
    for (const char* name : {"PONDEL_SIM_TRACE", "PONDEL_SIM_RATE", "PONDEL_SIM_REFUSED_NODE"})
      unsetenv(name);
  }
  void SetUp() override {
    SKIP_WITHOUT_TSHARK();
    ASSERT_EQ(installed_.status, 0) << installed_.output;
    fs::remove(trace());
  }

  static fs::path Home() { return root_->path() / "home"; }
  static std::string Program() { return (Home() / ".local/bin/tarnwick-extcap").string(); }
  std::vector<std::string> CaptureInto(const fs::path& fifo) const {
    return {"--capture", "--extcap-interface", "tarnwick-arcnet-usb", "--fifo", fifo.string()};
  }
  // The controller put back and the library left, as on every stop.
  void ExpectControllerPutBack() const {
    const auto calls = Calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(calls.end() - 4, calls.end()),
              (std::vector<std::string>{"Com20020Register(w5=02)", "Com20020Register(w7=40)",
                                        "Com20020ResetWakeOnReceive", "Com20020Exit"}));
  }
  fs::path trace() const { return work_.path() / "trace"; }
  fs::path file(const char* name) const { return work_.path() / name; }

  // The trace's lines without what follows the call's name.
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const std::string& line : Lines(trace())) calls.push_back(line.substr(0, line.find(':')));
    return calls;
  }
  // Every frame decoded as BACnet over ARCNET, none malformed; the number.
  static std::size_t ExpectBacnetOverArcnet(const fs::path& capture) {
    const auto protocols = TsharkFields(capture, {"frame.protocols"});
    EXPECT_TRUE(protocols.has_value());
    if (!protocols) return 0;
    for (const std::string& line : *protocols) EXPECT_EQ(line.rfind("arcnet:llc:bacnet", 0), 0u);
    EXPECT_EQ(TsharkMalformedFrames(capture), std::vector<int>{});
    return protocols->size();
  }

  static TempDir* root_;
  static Outcome installed_;
  TempDir work_;
};

TempDir* TsharkExtcapTest::root_ = nullptr;
Outcome TsharkExtcapTest::installed_;

TEST_F(TsharkExtcapTest, ListsItsInterfacesAndCapturesWithAnOptionGivenToTshark) {
  const Outcome listed = Shell("tshark -D");
  EXPECT_NE(listed.output.find(". tarnwick-arcnet-usb (Tarnwick ARCNET: USB adapter)\n"),
            std::string::npos)
      << listed.output;
  EXPECT_NE(listed.output.find(". tarnwick-arcnet-pci (Tarnwick ARCNET: PCI card (MORLA))\n"),
            std::string::npos);
  EXPECT_NE(listed.output.find(
                ". tarnwick-arcnet-server (Tarnwick ARCNET: network server device (VORNEX))\n"),
            std::string::npos);

  const Outcome captured = Shell(
      "tshark -i tarnwick-arcnet-usb -o extcap.tarnwick_arcnet_usb.nodeid:7 -a duration:3 "
      "-w " +
      file("out.pcapng").string());
  EXPECT_EQ(captured.status, 0) << captured.output;
  const std::size_t frames = ExpectBacnetOverArcnet(file("out.pcapng"));
  EXPECT_GT(frames, 1000u);  // 3 s of 2000 frames/s, less tshark's start

  const auto lines = Lines(trace());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Com20020Init: kind 0, device 0, node 7, result 0");
  std::vector<std::string> expected = {"Com20020Init"};
  expected.insert(expected.end(), kCaptureCalls.begin(), kCaptureCalls.end());
  expected.push_back("Com20020Exit");
  EXPECT_EQ(Calls(), expected);
  // tshark stops reading before it stops the program: the last frames may
  // never reach the file.
  EXPECT_GE(std::stoul(lines.back().substr(lines.back().find(": ") + 2)), frames);
}

TEST_F(TsharkExtcapTest, AnInitTheLibraryRefusesAndABadOptionReachTsharksErrorOutput) {
  setenv("PONDEL_SIM_REFUSED_NODE", "9", 1);
  const Outcome refused = Shell(
      "tshark -i tarnwick-arcnet-usb -o extcap.tarnwick_arcnet_usb.nodeid:9 "
      "-a duration:3 -w " +
      file("refused.pcapng").string());
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.output.find("Init Error: 9018"), std::string::npos) << refused.output;
  EXPECT_EQ(Lines(trace()),
            std::vector<std::string>{"Com20020Init: kind 0, device 0, node 9, result 9018"});

  fs::remove(trace());
  const Outcome bad = Shell(
      "tshark -i tarnwick-arcnet-usb -o extcap.tarnwick_arcnet_usb.nodeid:300 "
      "-a duration:3 -w " +
      file("bad.pcapng").string());
  EXPECT_NE(bad.status, 0);
  EXPECT_NE(bad.output.find("--node-id \"300\": must be a whole number from 1 to 255"),
            std::string::npos)
      << bad.output;
  EXPECT_FALSE(fs::exists(trace())) << "the adapter was touched";
}

// tshark killed outright: nobody stops the program. On a busy network the
// FIFO's reader goes with tshark; on a quiet one its orphaned reader holds
// the FIFO, and only tshark's going tells.
TEST_F(TsharkExtcapTest, KillingTsharkMidCaptureEndsTheProgramWithTheControllerPutBack) {
  // Orphans come to this process, so that it sees every one of them end.
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  for (const char* rate : {"2000", "0"}) {
    fs::remove(trace());
    setenv("PONDEL_SIM_RATE", rate, 1);
    const std::string out = file("killed.pcapng").string();
    const pid_t tshark = Spawn("tshark", {"-i", "tarnwick-arcnet-usb", "-w", out});
    ASSERT_GT(tshark, 0);
    ASSERT_TRUE(Eventually([&] { return fs::exists(out) && fs::file_size(out) > 0; }));
    ASSERT_TRUE(Eventually([&] {
      const auto calls = Calls();
      return std::find(calls.begin(), calls.end(), "Com20020FlushRX") != calls.end();
    }));
    std::this_thread::sleep_for(200ms);
    kill(tshark, SIGKILL);
    const auto killed = Clock::now();
    waitpid(tshark, nullptr, 0);

    ASSERT_TRUE(Eventually([&] { return !Calls().empty() && Calls().back() == "Com20020Exit"; }))
        << "the program never took the adapter off line, at " << rate << " frames/s";
    std::printf(
        "At %s frames/s the program took the adapter off line %.0f ms after tshark was "
        "killed.\n",
        rate, std::chrono::duration<double, std::milli>(Clock::now() - killed).count());
    ExpectControllerPutBack();
    // Every process tshark started has ended.
    EXPECT_TRUE(Eventually([] {
      while (waitpid(-1, nullptr, WNOHANG) > 0) {
      }
      return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
    })) << "a process was left behind";
  }
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// A reader that takes nothing (stopped, or stalled) holds the program in
// no write: every signal that ends a program ends the capture at once, with
// the controller put back.
TEST_F(TsharkExtcapTest, EachStopSignalEndsACaptureWhoseReaderTakesNothing) {
  const fs::path fifo = file("stalled");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  setenv("PONDEL_SIM_RATE", "20000", 1);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM}) {
    fs::remove(trace());
    const pid_t program = Spawn(Program(), CaptureInto(fifo));
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // and never reads
    // Until the FIFO is full and the program waits to write more.
    int unread = 0;
    ASSERT_TRUE(Eventually([&] {
      const int before = Unread(reader);
      std::this_thread::sleep_for(100ms);
      unread = Unread(reader);
      return unread > 32768 && unread == before;
    }));
    kill(program, signal);
    const auto sent = Clock::now();
    EXPECT_EQ(ExitStatusWithin(program, 5s), 0) << strsignal(signal);
    std::printf("%s: ended %.0f ms after the signal, %d bytes unread.\n", strsignal(signal),
                std::chrono::duration<double, std::milli>(Clock::now() - sent).count(), unread);
    close(reader);
    ExpectControllerPutBack();
  }
}

// Pipes that are not Wireshark's: a file in the place of a FIFO is never
// written, a FIFO that no one reads holds nothing up, and a control pipe
// that sends junk is no longer read while the capture goes on.
TEST_F(TsharkExtcapTest, PipesThatAreNotWiresharksAreRefusedOrLeftUnread) {
  const fs::path kept = file("kept.pcap");
  std::ofstream(kept) << "kept";
  const std::string program = Program();
  const Outcome toFile =
      Shell(program + " --capture --extcap-interface tarnwick-arcnet-usb --fifo " + kept.string());
  EXPECT_EQ(toFile.status, 1);
  EXPECT_EQ(toFile.output, "Unable to open " + kept.string() + ": not a FIFO.\n");
  const fs::path fifo = file("data");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  for (const std::string& pipe :
       {"--extcap-control-out " + kept.string(), std::string("--extcap-control-in /dev/zero")}) {
    const Outcome refused = Shell(program + " --capture --extcap-interface tarnwick-arcnet-usb " +
                                  pipe + " --fifo " + fifo.string());
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find(": not a FIFO.\n"), std::string::npos) << refused.output;
  }
  EXPECT_EQ(ReadFile(kept), "kept");
  EXPECT_FALSE(fs::exists(trace())) << "the adapter was touched";
  close(reader);

  // A refused option: the FIFO it names, which no one reads, is left at once.
  const Outcome bad = Shell(program + " --capture --extcap-interface tarnwick-arcnet-usb " +
                            "--node-id 300 --fifo " + fifo.string());
  EXPECT_EQ(bad.status, 2) << bad.output;

  const fs::path control = file("control");
  ASSERT_EQ(mkfifo(control.c_str(), 0600), 0);
  const int data = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  std::vector<std::string> args = CaptureInto(fifo);
  args.insert(args.end(), {"--extcap-control-in", control.string()});
  const pid_t capturing = Spawn(Program(), args);
  const int junk = open(control.c_str(), O_WRONLY);
  fcntl(junk, F_SETFL, O_NONBLOCK);
  const char zeros[4096] = {};
  // The program stops reading at once, so the pipe fills.
  EXPECT_TRUE(Eventually([&] { return write(junk, zeros, sizeof zeros) < 0 && errno == EAGAIN; }));
  char frames[65536];
  bool framesCame = false;
  EXPECT_TRUE(Eventually([&] { return framesCame |= read(data, frames, sizeof frames) > 0; }))
      << "the capture did not go on";
  kill(capturing, SIGTERM);
  EXPECT_EQ(ExitStatusWithin(capturing, 5s), 0);
  close(junk);
  close(data);
}

// The network server device killed while tshark captures from it: the
// program ends by itself, with every frame it received in tshark's file and
// its reason shown by tshark; run by hand, it exits with status 1.
TEST_F(TsharkExtcapTest, ADeviceKilledMidCaptureEndsTheProgramWithItsReason) {
  const std::string said =
      "The network server device stopped answering. The capture has stopped after ";
  // Runs `command` (given the device's port) and kills the device once
  // `capturing` holds: what the command said.
  const auto killDuringCapture = [](const std::function<std::string(std::uint16_t)>& command,
                                    const std::function<bool()>& capturing) {
    DeviceProcess device({"--rate", "2000"});
    EXPECT_TRUE(device.listening()) << device.Output();
    Outcome outcome;
    std::thread run([&] { outcome = Shell(command(device.port())); });
    EXPECT_TRUE(Eventually(capturing));
    device.Kill();
    run.join();
    return outcome;
  };

  const fs::path capture = file("gone.pcapng");
  const Outcome tshark = killDuringCapture(
      [&](std::uint16_t port) {
        return "tshark -i tarnwick-arcnet-server -o "
               "extcap.tarnwick_arcnet_server.autodetect:false "
               "-o extcap.tarnwick_arcnet_server.serveraddress:127.0.0.1 -o "
               "extcap.tarnwick_arcnet_server.port:" +
               std::to_string(port) + " -w " + capture.string();
      },
      [&] { return fs::exists(capture) && fs::file_size(capture) > 20000; });
  const std::size_t at = tshark.output.find(said);
  ASSERT_NE(at, std::string::npos) << tshark.output;
  const std::size_t frames = ExpectBacnetOverArcnet(capture);
  EXPECT_EQ(tshark.output.substr(at + said.size(), tshark.output.find('\n', at) - at - said.size()),
            std::to_string(frames) + " frames.");
  // Nothing written to a controller that is gone; off line all the same.
  const auto calls = Calls();
  EXPECT_EQ(
      std::vector<std::string>(calls.end() - 3, calls.end()),
      (std::vector<std::string>{"Com20020FlushRX", "Com20020ResetWakeOnReceive", "Com20020Exit"}));

  fs::remove(trace());
  const std::string program = (Home() / ".local/bin/tarnwick-extcap").string();
  const Outcome byHand = killDuringCapture(
      [&](std::uint16_t port) {
        return "sh -c '" + program +
               " --capture --extcap-interface tarnwick-arcnet-server --server-address 127.0.0.1 "
               "--port " +
               std::to_string(port) + " --fifo - 2>&1 >/dev/null; echo status $?'";
      },
      [&] {
        const auto calls = Calls();
        return std::find(calls.begin(), calls.end(), "Com20020FlushRX") != calls.end();
      });
  // Killed as soon as the capture began: on a busy machine no frame may have
  // come by then, and the line says so without a count.
  EXPECT_EQ(byHand.output.rfind("The network server device stopped answering. The capture has "
                                "stopped",
                                0),
            0u)
      << byHand.output;
  EXPECT_TRUE(byHand.output.ends_with(".\nstatus 1\n")) << byHand.output;
}

TEST_F(TsharkExtcapTest, AShellPipeThroughStandardOutputEndsWithTheReader) {
  const std::string program = Program();
  const Outcome piped = Shell(program +
                              " --capture --extcap-interface tarnwick-arcnet-pci --fifo - | "
                              "tshark -i - -a duration:2 -w " +
                              file("piped.pcapng").string());
  EXPECT_EQ(piped.status, 0) << piped.output;
  EXPECT_GT(ExpectBacnetOverArcnet(file("piped.pcapng")), 500u);
  EXPECT_EQ(Calls().back(), "Com20020Exit") << "the program ended with its reader";
}

}  // namespace
