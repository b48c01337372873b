// Wireshark's control pipes of a capture, which it gives an extcap program
// with a toolbar: one on which it sends its messages (a click on the
// toolbar's Stop button among them), one on which the program may put a
// text in Wireshark's status bar.
#pragma once

#include <memory>
#include <string>

class ControlPipes {
 public:
  // Opens `in`, then `out` (Wireshark's own order), and reads `in`, all on a
  // thread of its own, so that a pipe Wireshark has not opened yet holds
  // nothing up. Empty names: no pipes, and nothing is done.
  ControlPipes(const std::string& in, const std::string& out);
  // The thread may be waiting on a pipe that never comes; it is left to end
  // with the process.
  ~ControlPipes() = default;
  ControlPipes(const ControlPipes&) = delete;
  ControlPipes& operator=(const ControlPipes&) = delete;

  // Stop was clicked, or the pipe Wireshark writes has ended: Wireshark has
  // gone, which on Windows, where no signal comes, is how a capture learns
  // it.
  bool StopRequested() const;

  // A text for Wireshark's status bar: sent once the pipe is open.
  void ShowStatus(const std::string& text);

  struct State;

 private:
  std::shared_ptr<State> state_;
};
