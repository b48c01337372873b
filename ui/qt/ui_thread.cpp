// The UI thread on Qt: the thread of the application object, which modal
// runs, message boxes and waits serve through Qt's event loops.
#include <atomic>
#include <cassert>
#include <mutex>
#include <thread>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "res/resource.h"
#include "ui/automation_backend.h"
#include "ui/backend.h"
#include "ui/qt/qt_state.h"

namespace ui {

namespace {

std::atomic<std::thread::id> uiThread;

// Other threads post to the application object: this keeps it from going
// away under them when the UI thread ends.
std::mutex appMutex;
QCoreApplication* app = nullptr;
bool ownApp = false;

bool TakesInput() {
  const auto& levels = qt::TheState().inputLevels;
  return !levels.empty() && levels.back();
}

// Each input is served by a call posted for it, so that input and other work
// run in the order they were posted, as the operator's clicks and the
// program's messages interleave. A call that comes while input is held back
// leaves its input waiting; it is posted again when the hold ends.
void ServeOneInput() {
  qt::State& s = qt::TheState();
  --s.queuedServes;
  if (!TakesInput() || s.pendingInput.empty()) return;
  std::function<void()> input = std::move(s.pendingInput.front());
  s.pendingInput.pop_front();
  input();
}

void QueueInputServes() {
  qt::State& s = qt::TheState();
  if (!TakesInput()) return;
  for (; s.queuedServes < s.pendingInput.size(); ++s.queuedServes)
    QMetaObject::invokeMethod(QCoreApplication::instance(), ServeOneInput, Qt::QueuedConnection);
}

}  // namespace

namespace qt {

State& TheState() {
  static State state;
  return state;
}

InputLevel::InputLevel(bool takesInput) {
  TheState().inputLevels.push_back(takesInput);
  QueueInputServes();
}

InputLevel::~InputLevel() {
  TheState().inputLevels.pop_back();
  QueueInputServes();
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
  QGuiApplication::setWindowIcon(qt::IconResource(IDR_MAINFRAME));
  {
    std::lock_guard lock(appMutex);
    app = QCoreApplication::instance();
  }
  uiThread = std::this_thread::get_id();
}

void EndUiThread() {
  assert(IsUiThread());
  qt::State& s = qt::TheState();
  s.pendingInput.clear();
  s.queuedServes = 0;
  {
    std::lock_guard lock(appMutex);
    QCoreApplication::removePostedEvents(nullptr, QEvent::MetaCall);
    app = nullptr;
  }
  s.appIcon = QIcon();
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

void PostToWindow(Window* window, std::function<void()> work) {
  assert(window != nullptr);
  // Qt drops the events posted to an object that is deleted before they
  // run: work for a window that has closed never runs.
  QMetaObject::invokeMethod(window->widget, std::move(work), Qt::QueuedConnection);
}

void PostInput(std::function<void()> input) {
  assert(IsUiThread());
  qt::State& s = qt::TheState();
  s.pendingInput.push_back(std::move(input));
  ++s.queuedServes;
  QMetaObject::invokeMethod(QCoreApplication::instance(), ServeOneInput, Qt::QueuedConnection);
}

void PumpWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll) {
  assert(IsUiThread());
  if (!busy()) return;
  // Posted work runs; the operator's input waits until the wait is over,
  // except in a message box or dialog opened meanwhile, whose own loop takes
  // it.
  qt::InputLevel holdInput(false);
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
