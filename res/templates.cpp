#include "res/templates.h"

#include "res/resource.h"
#include "res/version.h"
#include "ui/resources.h"

namespace res {

namespace {

using enum ui::ControlKind;
using ui::ControlTemplate;
using ui::DialogTemplate;
using ui::kBorder, ui::kAutoHScroll, ui::kTabStop, ui::kGroup, ui::kDisabled, ui::kVScroll,
    ui::kNoPrefix, ui::kNoId, ui::kCaption, ui::kSysMenu, ui::kModalFrame, ui::kAppWindow;

constexpr unsigned kEditStyle = kBorder | kAutoHScroll | kTabStop;
constexpr unsigned kDialogStyle = kCaption | kSysMenu | kModalFrame;
constexpr std::string_view kFont = "MS Sans Serif";

constexpr ControlTemplate kAboutControls[] = {
    {Icon, kNoId, "", 11, 17, 20, 20, 0, {}, IDR_MAINFRAME},
    {Static, kNoId, TARNWICK_ABOUT_TEXT, 40, 10, 174, 8, kNoPrefix},
    {Static, kNoId, TARNWICK_COPYRIGHT, 39, 25, 156, 8, 0},
    {DefPushButton, IDOK, "OK", 217, 7, 50, 14, kTabStop | kGroup},
};

constexpr ControlTemplate kMainControls[] = {
    {DefPushButton, IDOK, "Exit", 130, 145, 50, 14, kTabStop},
    {AutoRadioButton, IDC_USB, "USB", 30, 25, 31, 10, kGroup},
    {AutoRadioButton, IDC_MORLA, "MORLA", 30, 40, 47, 10, 0},
    {AutoRadioButton, IDC_VORNEX, "VORNEX", 30, 55, 45, 10, 0},
    {GroupBox, kNoId, "Initialize", 15, 10, 95, 150, 0},
    {PushButton, IDC_SETTINGS, "Settings", 30, 75, 50, 14, kTabStop},
    {PushButton, IDC_CONNECT, "Connect", 30, 100, 50, 14, kTabStop},
    {PushButton, IDC_RECEIVE, "Receive", 130, 15, 50, 14, kTabStop | kDisabled},
    {Static, IDC_STATUS, "Status", 30, 125, 70, 8, kGroup},
    {Static, IDC_NODE_ID_TEXT, "Node ID:", 30, 140, 65, 8, kGroup},
};

constexpr std::string_view kDataRates[] = {
    "156.25 kbps", "312.5 kbps", "625 kbps", "1.25 MHz", "2.5 MHz", "5 MHz", "7.5 MHz", "10 MHz",
};
constexpr std::string_view kTimeouts[] = {"Standard", "Four", "Eight", "Sixteen"};

constexpr ControlTemplate kLocalControls[] = {
    {DefPushButton, IDOK, "OK", 120, 15, 50, 14, kTabStop | kGroup},
    {PushButton, IDCANCEL, "Cancel", 120, 35, 50, 14, kTabStop},
    {Static, kNoId, "Node ID (DEC)", 15, 6, 48, 8, 0},
    {Edit, IDC_NODE_ID, "", 15, 15, 60, 14, kEditStyle},
    {Static, kNoId, "Device Number", 15, 40, 50, 8, 0},
    {Edit, IDC_DEVICE_NUMBER, "", 15, 50, 60, 14, kEditStyle},
    {DropDownList, IDC_DATA_RATE, "", 15, 85, 75, 80, kVScroll | kTabStop, kDataRates},
    {Static, kNoId, "Data Rate", 15, 75, 34, 8, 0},
    {DropDownList, IDC_TIMEOUTS, "", 15, 120, 75, 55, kVScroll | kTabStop, kTimeouts},
    {Static, kNoId, "Extended Timeouts", 15, 110, 62, 8, 0},
    {AutoCheckBox, IDC_128NAKS, "128 NAKs", 110, 115, 48, 10, kTabStop},
    {GroupBox, kNoId, "Misc Options", 105, 99, 65, 36, 0},
};

constexpr ControlTemplate kServerControls[] = {
    {DefPushButton, IDOK, "OK", 225, 20, 50, 14, kTabStop | kGroup},
    {PushButton, IDCANCEL, "Cancel", 225, 38, 50, 14, kTabStop},
    {Static, kNoId, "VORNEX IP Address", 15, 10, 66, 8, 0},
    {Edit, IDC_IP_ADDRESS, "", 15, 20, 190, 14, kEditStyle},
    {Static, kNoId, "TCP Port Number", 15, 45, 56, 8, 0},
    {Edit, IDC_PORT, "", 15, 55, 65, 14, kEditStyle},
    {GroupBox, kNoId, "Connect Method", 105, 50, 100, 35, 0},
    {AutoCheckBox, IDC_AUTO_DETECT, "Auto-Detect", 115, 65, 54, 10, kTabStop},
};

constexpr ControlTemplate kReceiveControls[] = {
    {DefPushButton, IDOK, "Exit", 135, 105, 50, 14, kTabStop | kGroup},
    {Static, kNoId, "Received Packets", 15, 10, 60, 8, 0},
    {Edit, IDC_RX_COUNT, "", 15, 20, 95, 14, kEditStyle},
    {PushButton, IDC_START, "Start", 135, 20, 50, 14, kTabStop},
    {PushButton, IDC_STOP, "Stop", 135, 50, 50, 14, kTabStop | kDisabled},
    {PushButton, IDC_RESET, "Reset", 135, 80, 50, 14, kTabStop | kDisabled},
};

constexpr DialogTemplate kAbout{IDD_ABOUTBOX, "About Tarnwick", 274, 54, kFont, 8,
                                kDialogStyle, kAboutControls};
constexpr DialogTemplate kMain{IDD_TARNWICK_DIALOG,       TARNWICK_CAPTION, 197, 175, kFont, 8,
                               kDialogStyle | kAppWindow, kMainControls};
constexpr DialogTemplate kLocal{
    IDD_LOCAL_SETTINGS, "Local Connect Settings", 187, 146, kFont, 8, kDialogStyle, kLocalControls};
constexpr DialogTemplate kServer{IDD_SERVER_SETTINGS, "VORNEX Connect", 292, 101, kFont, 8,
                                 kDialogStyle,        kServerControls};
constexpr DialogTemplate kReceive{IDD_RECEIVE, "Receive", 199,          134,
                                  kFont,       8,         kDialogStyle, kReceiveControls};

constexpr const DialogTemplate* kTemplates[] = {&kAbout, &kMain, &kLocal, &kServer, &kReceive};

// res/icons/tarnwick-16.png and -32.png as kIcon16 and kIcon32, made into
// arrays by the build.
#include "icon_images.inc"

constexpr ui::IconImage kMainIconImages[] = {{16, kIcon16}, {32, kIcon32}};
constexpr ui::IconResource kIcons[] = {{IDR_MAINFRAME, kMainIconImages}};

constexpr ui::Resources kResources{kTemplates, kIcons};

}  // namespace

const ui::Resources& Resources() {
  return kResources;
}

std::string_view StringResource(int id) {
  switch (id) {
    case IDS_ABOUTBOX:
      return "&About Tarnwick...";
    case IDS_SOCKETS_INIT_FAILED:
      return "Windows sockets initialization failed.";
    default:
      return {};
  }
}

std::span<const std::string_view> DataRateList() {
  return kDataRates;
}

std::span<const std::string_view> TimeoutsList() {
  return kTimeouts;
}

}  // namespace res
