// Fake message boxes: recorded, then answered from the script or, failing
// that, by automation while the box is "on screen".
#include <algorithm>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/fake/state.h"

namespace ui {

namespace backend {

int ShowMessageBox(Window*, const automation::MessageBoxInfo& record) {
  fake::State& s = fake::TheState();
  fake::OpenMessageBox box{record, std::nullopt};
  {
    std::lock_guard lock(s.mutex);
    s.shown.push_back(box.record);
    if (!s.scriptedAnswers.empty()) {
      const int answer = s.scriptedAnswers.front();
      s.scriptedAnswers.pop_front();
      return answer;
    }
  }
  s.screen.push_back({nullptr, &box});
  fake::ServeUntil([&box] { return box.answer.has_value(); }, std::chrono::milliseconds(50));
  std::erase_if(s.screen, [&box](const fake::OnScreen& o) { return o.box == &box; });
  return *box.answer;
}

}  // namespace backend

namespace fake {

void ScriptMessageBoxAnswers(std::vector<int> answers) {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  s.scriptedAnswers.assign(answers.begin(), answers.end());
}

std::vector<MessageBoxRecord> MessageBoxesShown() {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  return s.shown;
}

void ClearRecords() {
  State& s = TheState();
  std::lock_guard lock(s.mutex);
  s.shown.clear();
  s.scriptedAnswers.clear();
}

}  // namespace fake
}  // namespace ui
