// The UI thread on Qt: the thread of the application object, which modal
// runs, message boxes and waits serve through Qt's event loops.
#include <atomic>
#include <cassert>
#include <mutex>
#include <thread>

#include <QApplication>
#include <QEventLoop>
#include <QSessionManager>
#include <QTimer>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/qt/state.h"

namespace ui {

namespace {

std::atomic<std::thread::id> uiThread;

// Other threads post to the application object: this keeps it from going
// away under them when the UI thread ends.
std::mutex appMutex;
QCoreApplication* app = nullptr;
bool ownApp = false;

}  // namespace

namespace qt {

State& TheState() {
  static State state;
  return state;
}

}  // namespace qt

namespace backend {

void BeginUiThread(int& argc, char** argv) {
  if (QCoreApplication::instance() == nullptr) {
    new QApplication(argc, argv);
    ownApp = true;
  }
  // Qt would quit every running loop when the last window closes; here the
  // program ends when its start-up returns.
  QGuiApplication::setQuitOnLastWindowClosed(false);
  qt::InstallAccessibility();
  // The desktop session ends: a capture must end and the adapter go off
  // line before the program is ended, without a question.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                   [](QSessionManager&) { CDialog::HandleEndSession(); });
  {
    std::lock_guard lock(appMutex);
    app = QCoreApplication::instance();
  }
  uiThread = std::this_thread::get_id();
}

void EndUiThread() {
  assert(IsUiThread());
  {
    std::lock_guard lock(appMutex);
    QCoreApplication::removePostedEvents(nullptr, QEvent::MetaCall);
    app = nullptr;
  }
  qt::TheState().icons.clear();
  if (ownApp) {
    delete QCoreApplication::instance();
    ownApp = false;
  }
  uiThread = std::thread::id();
}

bool IsUiThread() {
  return uiThread.load() == std::this_thread::get_id();
}

void PostToUiThread(std::function<void()> work) {
  std::lock_guard lock(appMutex);
  if (app != nullptr) QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void ServeWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll) {
  assert(IsUiThread());
  // Posted work runs; the window system's input waits in its queue.
  QEventLoop loop;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
    if (!busy()) loop.quit();
  });
  timer.start(poll);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace backend
}  // namespace ui
