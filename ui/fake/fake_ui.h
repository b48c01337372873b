// What tests can ask of the in-memory backend beyond the automation
// interface: message boxes answered from a script, and a record of every
// message box shown.
#pragma once

#include <string>
#include <vector>

namespace ui::fake {

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  unsigned flags = 0;
  int ownerTemplate = 0;  // 0 when owned by no window
  bool operator==(const MessageBoxRecord&) const = default;
};

// Answers for the next message boxes, in order; a box shown when the script
// is empty stays on screen until automation answers it.
void ScriptMessageBoxAnswers(std::vector<int> answers);

// Every message box shown since the last ClearRecords, scripted or not.
std::vector<MessageBoxRecord> MessageBoxesShown();

// Forgets the records and any unused scripted answers.
void ClearRecords();

}  // namespace ui::fake
