// The Connect button against the recording double of the adapter library:
// exactly what each adapter kind is sent, and what the window shows after.
#include "connect/connect.h"

#include <cstring>
#include <regex>
#include <sstream>
#include <string_view>

#include "extcap/extcap_main.h"
#include "tests/app/app_harness.h"

namespace {

using namespace testing_support;
using namespace ui::automation;
constexpr int kMain = IDD_TARNWICK_DIALOG;

// The port field of the ServerInitBlock that Com20020Init was given.
std::uint16_t PortOf(const LibraryCall& init) {
  std::uint16_t port;
  std::memcpy(&port, init.block.data() + offsetof(ServerInitBlock, port), sizeof port);
  return port;
}

class ConnectTest : public AppTest {
 protected:
  // Connect shows `text` in the "Connect Failure" box and, once it is
  // answered, the window is still off line.
  static void ExpectConnectRefused(const std::string& text) {
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->caption, "Connect Failure");
    EXPECT_EQ(box->flags, kMbOk | kMbIconExclamation);
    EXPECT_EQ(box->ownerTemplate, kMain);
    AnswerMessageBox(kIdOk);
    ASSERT_TRUE(WaitForWindow(kMain));
    EXPECT_EQ(Text(kMain, IDC_STATUS), "Status: OFFLINE");
    EXPECT_EQ(Text(kMain, IDC_CONNECT), "Connect");
    EXPECT_FALSE(IsEnabled(kMain, IDC_RECEIVE));
    EXPECT_TRUE(IsEnabled(kMain, IDC_SETTINGS));
  }

  // Starts the program with these settings, clicks the radio button (if
  // any) and Connect, and returns the one Com20020Init call.
  LibraryCall ConnectWith(const std::string& settings, int radioButton = 0) {
    ScriptedLibrary::Get().Reset();
    WriteSettings(settings);
    RunProgram([&] {
      if (radioButton != 0) {
        ASSERT_TRUE(Click(kMain, radioButton));
      }
      ASSERT_TRUE(Click(kMain, IDC_CONNECT));
      ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_CONNECT) == "Disconnect"; }));
      ASSERT_TRUE(Click(kMain, IDC_CONNECT));
      ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_CONNECT) == "Connect"; }));
      PressEscape(kMain);
    });
    const auto calls = LibraryCalls();
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls.back().function, "Com20020Exit");
    return calls.empty() ? LibraryCall{} : calls.front();
  }
};

TEST_F(ConnectTest, LocalAdapterGetsTheCodesOfItsListEntriesAndItsDevice) {
  struct Case {
    const char* settings;
    std::uint8_t device, timeoutCode, dataRateCode, highRate;
  };
  const Case cases[] = {
      {"", 0, 0x18, 0, 0},  // the defaults: 2.5 MHz, Standard
      {"DataRate=0\nTimeouts=3\nDeviceNumber=7\n", 7, 0x00, 4, 0},
      {"DataRate=5\nTimeouts=1\n", 0, 0x10, 5, 0},
      {"DataRate=6\nTimeouts=2\n", 0, 0x08, 7, 1},
      {"DataRate=7\nDeviceNumber=1\n", 1, 0x18, 10, 1},
  };
  for (const Case& c : cases) {
    const LibraryCall init = ConnectWith(std::string(c.settings) + "NodeID=9\n128NAKs=1\n");
    ASSERT_EQ(init.function, "Com20020Init") << c.settings;
    EXPECT_EQ(init.adapterKind, kAdapterUsb);
    EXPECT_EQ(init.deviceNumber, c.device) << c.settings;
    const std::vector<std::uint8_t> block = {
        0, 0, 0, c.timeoutCode, 9, 1, 1, c.dataRateCode, c.highRate, 1};
    EXPECT_EQ(init.block, block) << c.settings;
  }
}

TEST_F(ConnectTest, TheRadioButtonsChooseTheKindAndOnlyUsbAndVornexAreRead) {
  EXPECT_EQ(ConnectWith("", IDC_MORLA).adapterKind, kAdapterPci);
  EXPECT_EQ(ConnectWith("KESTA=0\n").adapterKind, kAdapterPci);  // none checked
  const LibraryCall server = ConnectWith("DeviceNumber=5\n", IDC_VORNEX);
  EXPECT_EQ(server.adapterKind, kAdapterServer);
  EXPECT_EQ(server.deviceNumber, 0);
}

TEST_F(ConnectTest, ServerGetsTheAddressAndPortOrNullForDetection) {
  LibraryCall init = ConnectWith("IPAddress=192.168.7.20\nPortNumber=65535\nVORNEX=1\nKESTA=0\n");
  EXPECT_FALSE(init.addressIsNull);
  EXPECT_EQ(init.address, "192.168.7.20");
  EXPECT_EQ(PortOf(init), 65535);
  EXPECT_EQ(init.block[offsetof(ServerInitBlock, initFlag)], 1);

  // Detection takes no port, so any stored one will do.
  init = ConnectWith("PortNumber=70000\nVORNEX=1\nKESTA=0\n");
  EXPECT_TRUE(init.addressIsNull);
  EXPECT_EQ(PortOf(init), 0);
}

// A value from a hand-edited file outside its setting's range would reach
// another node, device, rate or port than the one the file names: Connect
// and the extcap program name the setting and leave the adapter alone, and
// the extcap program offers Wireshark no such value as a default.
TEST_F(ConnectTest, AValueOutsideItsRangeIsRefusedBeforeTheLibraryIsCalled) {
  const struct {
    const char* settings;
    const char* option;
    const char* text;
  } cases[] = {
      {"NodeID=300\n", "--node-id", "NodeID must be between 1 and 255; the settings hold 300."},
      {"NodeID=-1\n", "--node-id", "NodeID must be between 1 and 255; the settings hold -1."},
      {"NodeID=0\n", "--node-id", "NodeID must be between 1 and 255; the settings hold 0."},
      {"DeviceNumber=4294967297\n", "--device-number",
       "DeviceNumber must be between 0 and 7; the settings hold 4294967297."},
      {"DeviceNumber=8\nMORLA=1\nKESTA=0\n", "--device-number",
       "DeviceNumber must be between 0 and 7; the settings hold 8."},
      {"DataRate=99\n", "--data-rate", "DataRate must be between 0 and 7; the settings hold 99."},
      {"Timeouts=-1\n", "--extended-timeouts",
       "Timeouts must be between 0 and 3; the settings hold -1."},
      {"128NAKs=258\n", "--naks128", "128NAKs must be between 0 and 1; the settings hold 258."},
      {"128NAKs=2\n", "--naks128", "128NAKs must be between 0 and 1; the settings hold 2."},
      {"IPAddress=10.0.0.1\nPortNumber=70000\nVORNEX=1\nKESTA=0\n", "--port",
       "PortNumber must be between 1 and 65535; the settings hold 70000."},
      {"IPAddress=10.0.0.1\nPortNumber=-1\nVORNEX=1\nKESTA=0\n", "--port",
       "PortNumber must be between 1 and 65535; the settings hold -1."},
      {"IPAddress=10.0.0.1\nPortNumber=0\nVORNEX=1\nKESTA=0\n", "--port",
       "PortNumber must be between 1 and 65535; the settings hold 0."},
  };
  for (const auto& c : cases) {
    ScriptedLibrary::Get().Reset();
    WriteSettings(c.settings);
    RunProgram([&] {
      ExpectConnectRefused(c.text);
      PressEscape(kMain);
    });
    EXPECT_TRUE(LibraryCalls().empty()) << c.settings;

    const bool server = std::string(c.option) == "--port";
    const std::string_view interface = server ? "tarnwick-arcnet-server" : "tarnwick-arcnet-pci";
    std::ostringstream out, err;
    const std::vector<std::string_view> capture = {"--capture", "--extcap-interface", interface,
                                                   "--fifo", "-"};
    EXPECT_EQ(ExtcapMain(capture, out, err), 1);
    EXPECT_EQ(err.str(), std::string(c.text) + "\n");
    EXPECT_TRUE(LibraryCalls().empty()) << c.settings;

    out.str("");
    const std::vector<std::string_view> config = {"--extcap-config", "--extcap-interface",
                                                  interface};
    ExtcapMain(config, out, err);
    const std::string sentences = out.str();
    const std::size_t arg = sentences.find(std::string("{call=") + c.option + "}");
    ASSERT_NE(arg, std::string::npos) << sentences;
    // The option's line and its list entries: no value, no entry, is the default.
    const std::string offered = sentences.substr(arg, sentences.find("{call=", arg + 1) - arg);
    EXPECT_FALSE(std::regex_search(offered, std::regex(R"(\{default=(?!false\}))"))) << offered;
  }
  // One line for each setting out of range.
  WriteSettings("NodeID=0\nTimeouts=4\n");
  RunProgram([&] {
    ExpectConnectRefused(
        "Timeouts must be between 0 and 3; the settings hold 4.\n"
        "NodeID must be between 1 and 255; the settings hold 0.");
    PressEscape(kMain);
  });

  // The operator who is shown 44 in the dialog and keeps it with OK has
  // chosen node 44: the file's 300 no longer counts.
  ScriptedLibrary::Get().Reset();
  WriteSettings("NodeID=300\n");
  ui::fake::ScriptMessageBoxAnswers({kIdNo});
  RunProgram([&] {
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(IDD_LOCAL_SETTINGS));
    ASSERT_TRUE(Click(IDD_LOCAL_SETTINGS, IDOK));
    ASSERT_TRUE(WaitForWindow(kMain));
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_CONNECT) == "Disconnect"; }));
    PressEscape(kMain);
  });
  ASSERT_FALSE(LibraryCalls().empty());
  EXPECT_EQ(LibraryCalls().front().block[offsetof(LocalInitBlock, nodeId)], 44);
}

TEST_F(ConnectTest, OnlineAndOfflineStatesSwapTheControls) {
  ScriptedLibrary::Get().SetNodeIdAfterInit(42);
  RunProgram([] {
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_STATUS) == "Status: ONLINE"; }));
    EXPECT_EQ(Text(kMain, IDC_NODE_ID_TEXT), "Node ID: 42");
    EXPECT_TRUE(IsEnabled(kMain, IDC_NODE_ID_TEXT));
    EXPECT_TRUE(IsEnabled(kMain, IDC_RECEIVE));
    EXPECT_EQ(Text(kMain, IDC_CONNECT), "Disconnect");
    for (int id : {IDC_SETTINGS, IDC_USB, IDC_MORLA, IDC_VORNEX})
      EXPECT_FALSE(IsEnabled(kMain, id)) << id;

    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_STATUS) == "Status: OFFLINE"; }));
    EXPECT_EQ(Text(kMain, IDC_NODE_ID_TEXT), "Node ID:");
    EXPECT_FALSE(IsEnabled(kMain, IDC_NODE_ID_TEXT));
    EXPECT_FALSE(IsEnabled(kMain, IDC_RECEIVE));
    EXPECT_EQ(Text(kMain, IDC_CONNECT), "Connect");
    for (int id : {IDC_SETTINGS, IDC_USB, IDC_MORLA, IDC_VORNEX})
      EXPECT_TRUE(IsEnabled(kMain, id)) << id;
    PressEscape(kMain);
  });
  EXPECT_EQ(LocalInit.nodeId, 42);
}

TEST_F(ConnectTest, AnInitErrorIsShownAndChangesNothing) {
  ScriptedLibrary::Get().SetInitResult(-17);
  RunProgram([] {
    ExpectConnectRefused("Init Error: -17");
    PressEscape(kMain);
  });
  // Off line: the way out calls no library function.
  ASSERT_EQ(LibraryCalls().size(), 1u);
}

}  // namespace
