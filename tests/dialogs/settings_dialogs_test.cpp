// The two settings dialogs, opened from the main window as an operator does:
// what they show, what they refuse, and what they store (seen in the file
// saved at exit).
#include "connect/connect.h"
#include "tests/app/app_harness.h"

namespace {

using namespace testing_support;
using namespace ui::automation;
constexpr int kMain = IDD_TARNWICK_DIALOG;
constexpr int kLocal = IDD_LOCAL_SETTINGS;
constexpr int kServer = IDD_SERVER_SETTINGS;

class SettingsDialogsTest : public AppTest {
 protected:
  void OpenSettings(int dialog) {
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(dialog));
  }
  // OK in the local dialog with these texts; returns the refusal shown, if any.
  std::optional<MessageBoxInfo> OkWith(const std::string& nodeId, const std::string& device) {
    Type(kLocal, IDC_NODE_ID, nodeId);
    Type(kLocal, IDC_DEVICE_NUMBER, device);
    Click(kLocal, IDOK);
    auto box = WaitForMessageBox(std::chrono::milliseconds(300));
    if (box) AnswerMessageBox(kIdOk);
    return box;
  }
};

TEST_F(SettingsDialogsTest, LocalDialogRefusesNodeIdsAndDevicesOutOfRange) {
  WriteSettings("NodeID=0\nDeviceNumber=3\n");
  RunProgram([this] {
    OpenSettings(kLocal);
    EXPECT_EQ(Caption(kLocal), "Local Connect Settings");
    EXPECT_EQ(Text(kLocal, IDC_NODE_ID), "0");  // as loaded, to be corrected
    for (const char* nodeId : {"0", "256", "-1", "", "x1"}) {
      const auto box = OkWith(nodeId, "99");  // both wrong: the node ID speaks
      ASSERT_TRUE(box.has_value()) << nodeId;
      EXPECT_EQ(box->text, "Node ID must be between 1 and 255");
      EXPECT_EQ(box->caption, "Node ID Error");
      EXPECT_EQ(box->flags, kMbOk | kMbIconExclamation);
      EXPECT_EQ(box->ownerTemplate, kLocal);
      ASSERT_TRUE(WaitForWindow(kLocal));
      EXPECT_EQ(Text(kLocal, IDC_NODE_ID), nodeId);  // input left in place
    }
    for (const char* device : {"8", "-1"}) {
      const auto box = OkWith("1", device);
      ASSERT_TRUE(box.has_value()) << device;
      EXPECT_EQ(box->text, "Device must be between 0 and 7");
      EXPECT_EQ(box->caption, "Device Number Error");
    }
    PressEscape(kLocal);
    ASSERT_TRUE(WaitForWindow(kMain));
    PressEscape(kMain);
  });
  // Refused and cancelled: nothing stored, nothing asked.
  EXPECT_EQ(LocalInit.nodeId, 0);
  EXPECT_EQ(DeviceNumber, 3);
  EXPECT_EQ(ui::fake::MessageBoxesShown().size(), 7u);
}

TEST_F(SettingsDialogsTest, LocalDialogStoresEveryValueAtOkAndOnlyThen) {
  WriteSettings("DataRate=12\nTimeouts=2\n128NAKs=2\nNodeID=300\n");
  ui::fake::ScriptMessageBoxAnswers({kIdYes});
  RunProgram([this] {
    OpenSettings(kLocal);
    EXPECT_EQ(Text(kLocal, IDC_NODE_ID), "44");
    EXPECT_EQ(Text(kLocal, IDC_DEVICE_NUMBER), "0");
    EXPECT_EQ(Selection(kLocal, IDC_DATA_RATE), -1);  // outside the list
    EXPECT_EQ(Selection(kLocal, IDC_TIMEOUTS), 2);
    EXPECT_EQ(CheckState(kLocal, IDC_128NAKS), 1);
    // Typed into, then cancelled with the close box: nothing stored.
    Type(kLocal, IDC_NODE_ID, "12");
    PressCloseBox(kLocal);
    ASSERT_TRUE(WaitForWindow(kMain));
    OpenSettings(kLocal);
    EXPECT_EQ(Text(kLocal, IDC_NODE_ID), "44");
    // Node ID 255 and a device that reads as no number (0) are accepted.
    Type(kLocal, IDC_NODE_ID, "255");
    Type(kLocal, IDC_DEVICE_NUMBER, "abc");
    Select(kLocal, IDC_TIMEOUTS, 3);
    PressEnter(kLocal);
    ASSERT_TRUE(WaitForWindow(kMain));
    Click(kMain, IDOK);
  });
  EXPECT_EQ(SavedSettings(),
            "[Tarnwick]\nDataRate=-1\nTimeouts=3\n128NAKs=1\nNodeID=255\nDeviceNumber=0\n"
            "IPAddress=\nPortNumber=5001\nKESTA=1\nMORLA=0\nVORNEX=0\n");
}

TEST_F(SettingsDialogsTest, OkWithoutAChangeStillLeadsToThePrompt) {
  RunProgram([this] {
    OpenSettings(kLocal);
    Type(kLocal, IDC_NODE_ID, "1");
    Click(kLocal, IDOK);
    ASSERT_TRUE(WaitForWindow(kMain));
    Click(kMain, IDOK);
    ASSERT_TRUE(WaitForMessageBox().has_value());
    AnswerMessageBox(kIdNo);
  });
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

TEST_F(SettingsDialogsTest, ServerDialogShowsAutoDetectAsAnEmptyAddress) {
  WriteSettings("VORNEX=1\nKESTA=0\nPortNumber=6001\n");
  ui::fake::ScriptMessageBoxAnswers({kIdOk, kIdYes});
  RunProgram([this] {
    OpenSettings(kServer);
    EXPECT_EQ(Caption(kServer), "VORNEX Connect");
    EXPECT_EQ(CheckState(kServer, IDC_AUTO_DETECT), 1);
    EXPECT_FALSE(IsEnabled(kServer, IDC_IP_ADDRESS));
    EXPECT_FALSE(IsEnabled(kServer, IDC_PORT));
    EXPECT_EQ(Text(kServer, IDC_PORT), "6001");
    EXPECT_EQ(Text(kServer, IDC_IP_ADDRESS), "");
    EXPECT_FALSE(Type(kServer, IDC_PORT, "1"));  // greyed: takes no typing

    Click(kServer, IDC_AUTO_DETECT);  // cleared: the boxes open, texts stay
    EXPECT_TRUE(IsEnabled(kServer, IDC_IP_ADDRESS));
    EXPECT_EQ(Text(kServer, IDC_PORT), "6001");
    Type(kServer, IDC_IP_ADDRESS, "10.1.2.3");
    Type(kServer, IDC_PORT, "4000");
    Click(kServer, IDC_AUTO_DETECT);  // ticked: the defaults come back
    EXPECT_EQ(Text(kServer, IDC_PORT), "5001");
    EXPECT_EQ(Text(kServer, IDC_IP_ADDRESS), "");
    EXPECT_FALSE(IsEnabled(kServer, IDC_PORT));
    Click(kServer, IDC_AUTO_DETECT);  // cleared again: texts kept
    EXPECT_EQ(Text(kServer, IDC_PORT), "5001");

    // An address longer than any old limit, and a port past 65535.
    Type(kServer, IDC_IP_ADDRESS, "arcnet-gateway.plant-7.example.com");
    Type(kServer, IDC_PORT, "70000");
    Click(kServer, IDOK);
    ASSERT_TRUE(WaitForWindow(kMain));
    OpenSettings(kServer);
    EXPECT_EQ(CheckState(kServer, IDC_AUTO_DETECT), 0);
    EXPECT_EQ(Text(kServer, IDC_IP_ADDRESS), "arcnet-gateway.plant-7.example.com");
    EXPECT_EQ(Text(kServer, IDC_PORT), "70000");
    PressEscape(kServer);
    ASSERT_TRUE(WaitForWindow(kMain));
    // Kept as typed, but never cut to fit the library's port field.
    Click(kMain, IDC_CONNECT);
    ASSERT_TRUE(WaitForWindow(kMain));
    EXPECT_EQ(Text(kMain, IDC_STATUS), "Status: OFFLINE");
    PressEscape(kMain);
  });
  ASSERT_FALSE(ui::fake::MessageBoxesShown().empty());
  EXPECT_EQ(ui::fake::MessageBoxesShown().front().text,
            "PortNumber must be between 1 and 65535; the settings hold 70000.");
  EXPECT_TRUE(LibraryCalls().empty());
  const std::string saved = SavedSettings();
  EXPECT_NE(saved.find("\nIPAddress=arcnet-gateway.plant-7.example.com\n"), std::string::npos);
  EXPECT_NE(saved.find("\nPortNumber=70000\n"), std::string::npos);
}

TEST_F(SettingsDialogsTest, ServerDialogWithAnEmptyAddressAndNoAutoDetectStoresDetection) {
  WriteSettings("VORNEX=1\nKESTA=0\nIPAddress=10.0.0.9\nPortNumber=abc\n");
  RunProgram([this] {
    OpenSettings(kServer);
    EXPECT_EQ(CheckState(kServer, IDC_AUTO_DETECT), 0);
    EXPECT_EQ(Text(kServer, IDC_PORT), "0");
    Type(kServer, IDC_IP_ADDRESS, "");
    Type(kServer, IDC_PORT, "x");
    Click(kServer, IDOK);
    ASSERT_TRUE(WaitForWindow(kMain));
    OpenSettings(kServer);
    EXPECT_EQ(CheckState(kServer, IDC_AUTO_DETECT), 1);
    EXPECT_EQ(Text(kServer, IDC_PORT), "0");  // the non-numeric port stored 0
    PressEscape(kServer);
    ASSERT_TRUE(WaitForWindow(kMain));
    PressEscape(kMain);
    ASSERT_TRUE(WaitForMessageBox().has_value());
    AnswerMessageBox(kIdNo);
  });
  EXPECT_EQ(IPAddress, "");
  EXPECT_EQ(PortNumber, 0);
}

}  // namespace
