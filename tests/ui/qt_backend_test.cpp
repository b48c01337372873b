// What the conformance suite cannot see of the Qt backend: the windows laid
// out as their templates, what assistive technology is told, the keyboard's
// way through a dialog, the icon, the system menu's place on Linux and the
// message boxes' buttons and icons.
#include <atomic>
#include <gtest/gtest.h>
#include <map>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include "res/resource.h"
#include "res/templates.h"
#include "tests/ui/click_counter.h"
#include "ui/accessible_name.h"
#include "ui/automation.h"
#include "ui/dialog.h"
#include "ui/qt/state.h"
#include "ui/ui_thread.h"

namespace {

using namespace ui::automation;

// Opens `dialog` as the main window and runs `check` on the UI thread once
// the window is on screen; the window is then closed.
void Inspect(CDialog& dialog, const std::function<void(ui::Window&)>& check) {
  RunScenario(
      [&] {
        CWinApp app(res::Resources(), "Probe");
        app.m_pMainWnd = &dialog;
        dialog.DoModal();
      },
      [&] {
        ASSERT_TRUE(WaitForWindow(dialog.templateId()));
        ui::SendToUiThread([&] { check(*dialog.window()); });
      });
}

// Records what assistive technology would be told while it runs: Qt tells
// only an active platform accessibility (a screen reader switches it on).
class AccessibilityEvents {
 public:
  AccessibilityEvents() {
    events().clear();
    QAccessible::installUpdateHandler(
        [](QAccessibleEvent* event) { events().emplace_back(event->type(), event->object()); });
    Platform()->setActive(true);
  }
  ~AccessibilityEvents() {
    Platform()->setActive(false);
    QAccessible::installUpdateHandler(nullptr);
  }
  bool Saw(QAccessible::Event type, QObject* object) const {
    return std::find(events().begin(), events().end(), std::make_pair(type, object)) !=
           events().end();
  }

 private:
  static QPlatformAccessibility* Platform() {
    return QGuiApplicationPrivate::platformIntegration()->accessibility();
  }
  static std::vector<std::pair<QAccessible::Event, QObject*>>& events() {
    static std::vector<std::pair<QAccessible::Event, QObject*>> seen;
    return seen;
  }
};

ui::QtControl& ControlAt(ui::Window& window, const ui::ControlTemplate& t) {
  return window.controls[static_cast<std::size_t>(&t - window.tmpl->controls.data())];
}

class TemplateLayout : public ::testing::TestWithParam<int> {};

TEST_P(TemplateLayout, EveryControlSitsAtItsTemplateRectangle) {
  CDialog dialog(GetParam());
  Inspect(dialog, [](ui::Window& window) {
    const ui::DialogTemplate& t = *window.tmpl;
    QDialog& widget = *window.widget;
    // Windows' base units: the 52 letters' mean width, rounded, and the
    // font's height.
    const QFontMetrics metrics(widget.font());
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = qRound(letters / 52.0);
    const int baseY = metrics.height();
    EXPECT_EQ(widget.font().pointSize(), t.fontPoints);
    const auto px = [](int dlu, int base, int per) { return (dlu * base + per / 2) / per; };

    EXPECT_EQ(widget.size(), QSize(px(t.cx, baseX, 4), px(t.cy, baseY, 8)));
    EXPECT_EQ(widget.minimumSize(), widget.maximumSize()) << "fixed size";
    EXPECT_EQ(widget.windowTitle().toStdString(), t.caption);
    EXPECT_TRUE(widget.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(widget.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(widget.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    for (const ui::ControlTemplate& c : t.controls) {
      QWidget& control = *ControlAt(window, c).widget;
      SCOPED_TRACE("control " + std::to_string(c.id) + " \"" + std::string(c.text) + "\"");
      EXPECT_TRUE(control.isVisible());
      EXPECT_EQ(control.isEnabled(), (c.style & ui::kDisabled) == 0);
      QRect expected(px(c.x, baseX, 4), px(c.y, baseY, 8), px(c.cx, baseX, 4), px(c.cy, baseY, 8));
      // A closed drop-down list is as high as the platform draws it; an
      // icon control takes its icon's size.
      if (c.kind == ui::ControlKind::DropDownList) expected.setHeight(control.sizeHint().height());
      if (c.kind == ui::ControlKind::Icon) expected.setSize(QSize(32, 32));
      EXPECT_EQ(control.geometry(), expected);
      // The templates' texts were fitted to their controls: none is cut.
      if (c.kind == ui::ControlKind::Static) {
        const QString text = static_cast<QLabel&>(control).text();
        EXPECT_LE(QFontMetrics(control.font()).horizontalAdvance(text), control.width());
      }
      if (c.kind == ui::ControlKind::AutoRadioButton || c.kind == ui::ControlKind::AutoCheckBox) {
        EXPECT_LE(control.sizeHint().width(), control.width());
      }
    }
  });
}

TEST_P(TemplateLayout, AssistiveTechnologySeesEachControlAsItsKind) {
  const std::map<ui::ControlKind, QAccessible::Role> roles = {
      {ui::ControlKind::PushButton, QAccessible::Button},
      {ui::ControlKind::DefPushButton, QAccessible::Button},
      {ui::ControlKind::AutoRadioButton, QAccessible::RadioButton},
      {ui::ControlKind::AutoCheckBox, QAccessible::CheckBox},
      {ui::ControlKind::GroupBox, QAccessible::Grouping},
      {ui::ControlKind::Static, QAccessible::StaticText},
      {ui::ControlKind::Edit, QAccessible::EditableText},
      {ui::ControlKind::DropDownList, QAccessible::ComboBox},
      {ui::ControlKind::Icon, QAccessible::Graphic},
  };
  CDialog dialog(GetParam());
  Inspect(dialog, [&](ui::Window& window) {
    for (const ui::QtControl& c : window.controls) {
      QAccessibleInterface* control = QAccessible::queryAccessibleInterface(c.widget);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(control->role(), roles.at(c.tmpl->kind)) << "control " << c.tmpl->id;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(AllTemplates, TemplateLayout,
                         ::testing::Values(IDD_ABOUTBOX, IDD_TARNWICK_DIALOG, IDD_LOCAL_SETTINGS,
                                           IDD_SERVER_SETTINGS, IDD_RECEIVE));

// The ways an operator activates a button on the Linux desktop; each must
// be the button's click, whatever Qt would do with the button by itself.
const std::vector<std::pair<std::string, std::function<void(ui::Window&, int)>>> kWaysToActivate = {
    {"mouse", [](ui::Window& w, int id) { ui::qt::SendClick(w.Control(id).widget); }},
    {"Space",
     [](ui::Window& w, int id) {
       w.Control(id).widget->setFocus();
       QTest::keyClick(w.Control(id).widget, Qt::Key_Space);
     }},
    {"mnemonic",
     [](ui::Window& w, int id) {
       auto* button = static_cast<QAbstractButton*>(w.Control(id).widget);
       if (!button->text().startsWith('&')) button->setText('&' + button->text());
       QTest::keyClick(w.widget, button->text().at(1).toLatin1(), Qt::AltModifier);
     }},
    {"accessibility toggle",
     [](ui::Window& w, int id) {
       QAccessible::queryAccessibleInterface(w.Control(id).widget)
           ->actionInterface()
           ->doAction(QAccessibleActionInterface::toggleAction());
     }},
    {"accessibility press",
     [](ui::Window& w, int id) {
       QAccessible::queryAccessibleInterface(w.Control(id).widget)
           ->actionInterface()
           ->doAction(QAccessibleActionInterface::pressAction());
     }},
};

TEST(QtBackend, EveryWayOfActivatingARadioButtonIsItsClick) {
  ClickCounter main(IDD_TARNWICK_DIALOG, IDC_MORLA);
  Inspect(main, [&](ui::Window& window) {
    QAccessibleInterface* morla =
        QAccessible::queryAccessibleInterface(window.Control(IDC_MORLA).widget);
    for (const auto& [way, activate] : kWaysToActivate) {
      SCOPED_TRACE(way);
      // Two checked by the program, as a settings file that marks two types
      // leaves them; twice on the same button, which stays checked.
      for (int id : {IDC_USB, IDC_VORNEX}) main.CheckDlgButton(id, 1);
      main.CheckDlgButton(IDC_MORLA, 0);
      main.clicks = 0;
      for (int time = 1; time <= 2; ++time) {
        activate(window, IDC_MORLA);
        EXPECT_TRUE(QTest::qWaitFor([&] { return main.clicks == time; }, 1000));
        EXPECT_EQ(main.checkSeen, 1);
        EXPECT_EQ(main.IsDlgButtonChecked(IDC_USB), 0);
        EXPECT_EQ(main.IsDlgButtonChecked(IDC_MORLA), 1);
        EXPECT_EQ(main.IsDlgButtonChecked(IDC_VORNEX), 0);
        EXPECT_TRUE(morla->state().checked);
      }
    }
  });
}

TEST(QtBackend, EveryWayOfActivatingACheckBoxIsItsClick) {
  ClickCounter server(IDD_SERVER_SETTINGS, IDC_AUTO_DETECT);
  Inspect(server, [&](ui::Window& window) {
    QAccessibleInterface* autoDetect =
        QAccessible::queryAccessibleInterface(window.Control(IDC_AUTO_DETECT).widget);
    for (const auto& [way, activate] : kWaysToActivate) {
      SCOPED_TRACE(way);
      server.clicks = 0;
      for (int time = 1; time <= 2; ++time) {
        const int before = server.IsDlgButtonChecked(IDC_AUTO_DETECT);
        activate(window, IDC_AUTO_DETECT);
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.clicks == time; }, 1000));
        EXPECT_EQ(server.checkSeen, 1 - before);  // toggled before the command
        EXPECT_EQ(server.IsDlgButtonChecked(IDC_AUTO_DETECT), 1 - before);
        EXPECT_EQ(autoDetect->state().checked, before == 0);
      }
    }
  });
}

TEST(QtBackend, EditBoxesAndListsAreNamedByTheLabelAboveOrBesideThem) {
  // The names assistive technology reads, by ID; "Data Rate" follows its
  // list in template order, and is still the list's name.
  const std::map<int, std::map<int, std::string>> names = {
      {IDD_LOCAL_SETTINGS,
       {{IDC_NODE_ID, "Node ID (DEC)"},
        {IDC_DEVICE_NUMBER, "Device Number"},
        {IDC_DATA_RATE, "Data Rate"},
        {IDC_TIMEOUTS, "Extended Timeouts"},
        {IDC_128NAKS, "128 NAKs"},
        {IDOK, "OK"}}},
      {IDD_SERVER_SETTINGS,
       {{IDC_IP_ADDRESS, "VORNEX IP Address"},
        {IDC_PORT, "TCP Port Number"},
        {IDC_AUTO_DETECT, "Auto-Detect"}}},
      {IDD_RECEIVE, {{IDC_RX_COUNT, "Received Packets"}, {IDC_START, "Start"}}},
      {IDD_TARNWICK_DIALOG, {{IDC_STATUS, "Status"}, {IDC_USB, "USB"}, {IDOK, "Exit"}}},
  };
  for (const auto& [templateId, controls] : names) {
    CDialog dialog(templateId);
    Inspect(dialog, [&](ui::Window& window) {
      for (const auto& [id, name] : controls)
        EXPECT_EQ(window.Control(id).widget->accessibleName().toStdString(), name) << id;
    });
  }
}

TEST(QtBackend, NewTextsAreAnnouncedAndNamesLoseTheirMnemonics) {
  CDialog main(IDD_TARNWICK_DIALOG);
  Inspect(main, [&](ui::Window& window) {
    AccessibilityEvents events;
    main.SetDlgItemText(IDC_STATUS, "Status: &ONLINE");
    main.SetDlgItemText(IDC_CONNECT, "&Disconnect");

    QWidget* status = window.Control(IDC_STATUS).widget;
    EXPECT_TRUE(events.Saw(QAccessible::NameChanged, status));
    EXPECT_EQ(status->accessibleName(), "Status: ONLINE");
    EXPECT_EQ(window.Control(IDC_CONNECT).widget->accessibleName(), "Disconnect");
    EXPECT_EQ(main.GetDlgItemText(IDC_STATUS), "Status: &ONLINE");
    // The mnemonic of a static text takes the focus to the next tab stop.
    EXPECT_EQ(static_cast<QLabel*>(status)->buddy(), window.Control(IDOK).widget);
  });

  // The count box, an edit box, announces each new count as a text change.
  CDialog receive(IDD_RECEIVE);
  Inspect(receive, [&](ui::Window& window) {
    AccessibilityEvents events;
    receive.SetDlgItemInt(IDC_RX_COUNT, 51000);
    receive.SetDlgItemInt(IDC_RX_COUNT, 51001);
    QWidget* count = window.Control(IDC_RX_COUNT).widget;
    EXPECT_TRUE(events.Saw(QAccessible::TextUpdated, count));
    EXPECT_EQ(count->accessibleName(), "Received Packets");
  });
}

TEST(QtBackend, AboutBoxStaticShowsItsAmpersandsLiterally) {
  const ui::DialogTemplate& about = *res::Resources().FindDialog(IDD_ABOUTBOX);
  const ui::ControlTemplate& noPrefix = about.controls[1];
  ASSERT_NE(noPrefix.style & ui::kNoPrefix, 0u);
  EXPECT_EQ(ui::SpokenText(noPrefix, "A & B && C"), "A & B && C");
  EXPECT_EQ(ui::SpokenText(about.controls[3], "&OK && &Go"), "OK & Go");
  CDialog dialog(IDD_ABOUTBOX);
  Inspect(dialog, [&](ui::Window& window) {
    // No buddy, so QLabel draws '&' as it is.
    EXPECT_EQ(static_cast<QLabel*>(ControlAt(window, noPrefix).widget)->buddy(), nullptr);
    // The icon control shows icon 128 at 32 pixels.
    const QPixmap icon = static_cast<QLabel*>(window.controls[0].widget)->pixmap();
    EXPECT_EQ(icon.size(), QSize(32, 32));
  });
}

TEST(QtBackend, TabVisitsTheTabStopsInTemplateOrder) {
  const std::map<int, std::vector<int>> orders = {
      // Receive is disabled and the radio buttons are no tab stops.
      {IDD_TARNWICK_DIALOG, {IDOK, IDC_SETTINGS, IDC_CONNECT, IDOK}},
      {IDD_LOCAL_SETTINGS,
       {IDOK, IDCANCEL, IDC_NODE_ID, IDC_DEVICE_NUMBER, IDC_DATA_RATE, IDC_TIMEOUTS, IDC_128NAKS,
        IDOK}},
      {IDD_RECEIVE, {IDOK, IDC_RX_COUNT, IDC_START, IDOK}},
  };
  for (const auto& [templateId, order] : orders) {
    CDialog dialog(templateId);
    Inspect(dialog, [&](ui::Window& window) {
      std::vector<int> visited;
      for (std::size_t i = 0; i < order.size(); ++i) {
        QWidget* focus = window.widget->focusWidget();
        int id = 0;
        for (const ui::QtControl& c : window.controls)
          if (c.widget == focus) id = c.tmpl->id;
        visited.push_back(id);
        ui::qt::SendKey(window.widget, Qt::Key_Tab);
      }
      EXPECT_EQ(visited, order) << "template " << templateId;
      EXPECT_EQ(window.Control(IDOK).widget->focusPolicy(), Qt::StrongFocus);
    });
  }
  CDialog main(IDD_TARNWICK_DIALOG);
  Inspect(main, [](ui::Window& window) {
    EXPECT_EQ(window.Control(IDC_USB).widget->focusPolicy(), Qt::ClickFocus);
  });
}

TEST(QtBackend, EveryWindowShowsTheApplicationIcon) {
  CDialog about(IDD_ABOUTBOX);  // sets no icon of its own
  Inspect(about, [](ui::Window& window) {
    const QIcon icon = QApplication::windowIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    EXPECT_EQ(window.widget->windowIcon().cacheKey(), icon.cacheKey());
    const QImage small = icon.pixmap(16, 16).toImage();
    EXPECT_EQ(small.pixelColor(0, 0).alpha(), 0);        // transparent corner
    EXPECT_EQ(small.pixelColor(8, 8), QColor(Qt::red));  // the recording dot
  });
}

TEST(QtBackend, SystemMenuItemsAreInTheContextMenuAndUnderAltSpace) {
  struct Probe : CDialog {
    Probe() : CDialog(IDD_TARNWICK_DIALOG) {}
    bool OnInitDialog() override {
      CDialog::OnInitDialog();
      GetSystemMenu()->AppendSeparator();
      GetSystemMenu()->AppendItem(IDM_ABOUTBOX, "&About Tarnwick...");
      return true;
    }
    bool OnSysCommand(unsigned command) override {
      commands.push_back(command);
      return CDialog::OnSysCommand(command);
    }
    std::vector<unsigned> commands;
  } main;
  Inspect(main, [&](ui::Window& window) {
    QMenu& menu = *window.systemMenu;
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            window.widget->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(window.widget, &click);
    EXPECT_TRUE(menu.isVisible());
    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "&Close\tAlt+F4");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), "&About Tarnwick...");
    menu.hide();

    QTest::keyClick(window.widget, Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(menu.isVisible());
    items[2]->trigger();  // chosen
    menu.hide();
    EXPECT_EQ(main.commands, std::vector<unsigned>{IDM_ABOUTBOX});
  });
}

TEST(QtBackend, MessageBoxesHaveTheButtonsAndIconAskedForAndTheirOwner) {
  struct Probe : CDialog {
    Probe() : CDialog(IDD_LOCAL_SETTINGS) {}
    void OnOK() override {
      MessageBox("Node ID must be between 1 and 255", "Node ID Error", kMbOk | kMbIconExclamation);
      saved = MessageBox("Would you like to save your settings?", "Tarnwick",
                         kMbYesNo | kMbIconQuestion);
      CDialog::OnOK();
    }
    std::atomic<int> saved{0};
  } local;
  struct Seen {
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    bool ownedByTheDialog;
    bool appModal;
  };
  std::vector<Seen> seen;
  RunScenario(
      [&] {
        CWinApp app(res::Resources(), "Probe");
        app.m_pMainWnd = &local;
        local.DoModal();
      },
      [&] {
        ASSERT_TRUE(WaitForWindow(IDD_LOCAL_SETTINGS));
        ASSERT_TRUE(Click(IDD_LOCAL_SETTINGS, IDOK));
        const std::pair<std::string, int> steps[] = {
            {"Node ID must be between 1 and 255", kIdOk},
            {"Would you like to save your settings?", kIdYes}};
        for (const auto& [text, answer] : steps) {
          ASSERT_TRUE(WaitUntil([&] {
            const std::optional<MessageBoxInfo> box = WaitForMessageBox(0ms);
            return box && box->text == text;
          }));
          ui::SendToUiThread([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.push_back({box->icon(), box->standardButtons(),
                            box->parentWidget() == local.window()->widget,
                            box->isModal() && box->windowModality() != Qt::WindowModal});
          });
          EXPECT_TRUE(AnswerMessageBox(answer));
        }
        EXPECT_TRUE(WaitForNoWindow(IDD_LOCAL_SETTINGS));
      });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
  EXPECT_EQ(seen[0].buttons, QMessageBox::Ok);
  EXPECT_EQ(seen[1].icon, QMessageBox::Question);
  EXPECT_EQ(seen[1].buttons, QMessageBox::Yes | QMessageBox::No);
  for (const Seen& s : seen) {
    EXPECT_TRUE(s.ownedByTheDialog);
    EXPECT_TRUE(s.appModal);
  }
  EXPECT_EQ(local.saved, kIdYes);
}

}  // namespace
