// tarnwick-extcap's command line and what it tells Wireshark: a bad argument
// is refused with one line naming it before anything is touched, and the
// options Wireshark shows are the settings dialog's, with the operator's
// settings as defaults. The capture itself: tests/capture/front_ends_test.cpp
// and, through the real tshark, tshark_extcap_test.cpp.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "extcap/extcap_main.h"
#include "tests/support/environment.h"
#include "tests/support/scripted_library.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;

class ExtcapCommandLineTest : public ::testing::Test {
 protected:
  ExtcapCommandLineTest() {
    SetUserConfigFolder(home_.path());
    ScriptedLibrary::Get().Reset();
  }
  ~ExtcapCommandLineTest() override { ResetUserConfigFolder(); }

  struct Result {
    int status;
    std::string out, err;
  };
  static Result Run(const std::vector<std::string_view>& args) {
    std::ostringstream out, err;
    const int status = ExtcapMain(args, out, err);
    return {status, out.str(), err.str()};
  }
  void WriteSettings(const std::string& keys) {
    std::filesystem::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile()) << "[Tarnwick]\n" << keys;
  }
  std::filesystem::path settingsFile() const { return home_.path() / "tarnwick" / "Tarnwick.ini"; }

  TempDir home_;
  TempDir cwdDir_;
  ScopedCurrentDir cwd_{cwdDir_.path()};
};

TEST_F(ExtcapCommandLineTest, ABadArgumentIsRefusedInOneLineNamingItBeforeAnythingIsTouched) {
  const std::vector<std::string_view> capture = {"--capture", "--fifo", "out.pcap",
                                                 "--extcap-interface"};
  const struct {
    std::vector<std::string_view> args;
    std::string refusal;
  } cases[] = {
      {{"--capture", "--fifo", "out.pcap", "--extcap-interface", "tarnwick-arcnet-isa"},
       "--extcap-interface \"tarnwick-arcnet-isa\": no such interface; there are "
       "tarnwick-arcnet-usb, tarnwick-arcnet-pci, tarnwick-arcnet-server"},
      {{"--node-id", "0"}, "--node-id \"0\": must be a whole number from 1 to 255"},
      {{"--node-id=300"}, "--node-id \"300\": must be a whole number from 1 to 255"},
      {{"--node-id", "seven"}, "--node-id \"seven\": must be a whole number from 1 to 255"},
      {{"--device-number", "1x"}, "--device-number \"1x\": must be a whole number from 0 to 7"},
      {{"--data-rate", "20 MHz"},
       "--data-rate \"20 MHz\": must be one of \"156.25 kbps\", \"312.5 kbps\", \"625 kbps\", "
       "\"1.25 MHz\", \"2.5 MHz\", \"5 MHz\", \"7.5 MHz\", \"10 MHz\""},
      {{"--naks128", "yes"}, "--naks128 \"yes\": must be true or false"},
      {{"--port", "70000"}, "--port \"70000\": must be a whole number from 1 to 65535"},
      {{"--server-address", ""},
       "--server-address \"\": must not be empty; to find the device automatically, give "
       "--auto-detect true"},
      {{"--port", "5001"}, "--port: not an option of tarnwick-arcnet-usb"},
      {{"--node-id"}, "--node-id: a value must follow"},
      {{"--speed", "10"}, "--speed: unknown option (see --help)"},
      {{"--extcap-capture-filter", "arc.src == 3"},
       "--extcap-capture-filter: capture filters are not supported; use a display filter in "
       "Wireshark"},
      {{"--extcap-config"}, "--extcap-config: one operation at a time"},
  };
  for (const auto& c : cases) {
    std::vector<std::string_view> args = c.args;
    if (args.front() != "--capture") {
      args.insert(args.begin(), capture.begin(), capture.end());
      args.insert(args.begin() + 4, "tarnwick-arcnet-usb");
    }
    const Result result = Run(args);
    EXPECT_EQ(result.status, 2) << c.refusal;
    EXPECT_EQ(result.err, "tarnwick-extcap: " + c.refusal + "\n");
  }
  EXPECT_EQ(Run({"--capture", "--extcap-interface", "tarnwick-arcnet-pci"}).err,
            "tarnwick-extcap: --fifo: where to write must be given: a FIFO's path, or - for "
            "standard output\n");
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_TRUE(ScriptedLibrary::Get().Calls().empty());
  EXPECT_FALSE(std::filesystem::exists("out.pcap"));
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

TEST_F(ExtcapCommandLineTest, TheOptionsAreTheDialogsWithTheOperatorsSettingsAsDefaults) {
  WriteSettings(
      "DataRate=7\nTimeouts=9\nNodeID=44\n128NAKs=1\nIPAddress=vornex-7\n"
      "PortNumber=5002\n");
  const auto before = std::filesystem::last_write_time(settingsFile());
  const Result usb = Run({"--extcap-config", "--extcap-interface", "tarnwick-arcnet-usb"});
  EXPECT_EQ(usb.status, 0);
  // A Timeouts outside the list selects no entry.
  EXPECT_NE(usb.out.find("{call=--node-id}{display=Node ID (DEC)}{type=integer}{range=1,255}"
                         "{default=44}"),
            std::string::npos);
  EXPECT_NE(usb.out.find("{value=10 MHz}{display=10 MHz}{default=true}"), std::string::npos);
  const std::size_t timeouts = usb.out.find("--extended-timeouts");
  EXPECT_EQ(usb.out.substr(timeouts, usb.out.find("--naks128") - timeouts).find("default=true"),
            std::string::npos);
  EXPECT_NE(usb.out.find("{call=--naks128}{display=128 NAKs}{type=boolean}{default=true}"),
            std::string::npos);
  EXPECT_EQ(usb.out.find("--port"), std::string::npos);

  const Result server = Run({"--extcap-config", "--extcap-interface", "tarnwick-arcnet-server"});
  EXPECT_NE(server.out.find("{call=--server-address}{display=VORNEX IP Address}{type=string}"
                            "{default=vornex-7}"),
            std::string::npos);
  EXPECT_NE(server.out.find("{call=--port}{display=TCP Port Number}{type=integer}"
                            "{range=1,65535}{default=5002}"),
            std::string::npos);
  EXPECT_NE(server.out.find("{call=--auto-detect}{display=Auto-Detect}{type=boolean}"
                            "{default=false}"),
            std::string::npos);
  EXPECT_EQ(server.out.find("--node-id"), std::string::npos);

  EXPECT_EQ(Run({"--extcap-dlts", "--extcap-interface", "tarnwick-arcnet-pci"}).out,
            "dlt {number=129}{name=ARCNET_LINUX}{display=ARCNET with the Linux header}\n");
  EXPECT_EQ(std::filesystem::last_write_time(settingsFile()), before);
  EXPECT_TRUE(ScriptedLibrary::Get().Calls().empty());
}

}  // namespace
