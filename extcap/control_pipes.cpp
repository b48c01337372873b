#include "extcap/control_pipes.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "extcap/sentences.h"
#include "platform/file.h"

namespace {

// A control message: 'T', the length of what follows (3 bytes, big-endian),
// the control's number, the command, and the command's text.
constexpr char kToolbarMessage = 'T';
constexpr std::uint8_t kCommandSet = 1;
constexpr std::uint8_t kCommandStatusbar = 6;
constexpr std::uint8_t kNoControl = 255;
constexpr std::size_t kHeaderSize = 6;

}  // namespace

struct ControlPipes::State {
  std::atomic<bool> stop{false};
  bool hasOut = false;
  std::mutex mutex;
  // Once open; never closed (the process ends with it).
  std::optional<platform::OutputFile> out;
  std::vector<std::string> pending;  // status texts before `out` opened

  void Send(const std::string& text) {
    const std::size_t length = text.size() + 2;
    std::string message = {kToolbarMessage,
                           static_cast<char>(length >> 16),
                           static_cast<char>(length >> 8),
                           static_cast<char>(length),
                           static_cast<char>(kNoControl),
                           static_cast<char>(kCommandStatusbar)};
    message += text;
    out->Write(message.data(), message.size());
  }

  // Reads Wireshark's messages until Stop or the pipe's end, which end the
  // capture. A message that does not begin as each of Wireshark's does is
  // junk (a pipe that is not Wireshark's): reading stops, the capture goes
  // on.
  void Read(std::FILE* in) {
    unsigned char header[kHeaderSize];
    std::vector<unsigned char> payload;
    while (std::fread(header, 1, sizeof header, in) == sizeof header) {
      if (header[0] != kToolbarMessage) return;
      const std::size_t length =
          std::size_t{header[1]} << 16 | std::size_t{header[2]} << 8 | header[3];
      payload.resize(length < 2 ? 0 : length - 2);
      if (!payload.empty() && std::fread(payload.data(), 1, payload.size(), in) != payload.size())
        break;
      if (header[0] == kToolbarMessage && header[4] == kStopControl && header[5] == kCommandSet)
        break;
    }
    stop = true;
  }
};

ControlPipes::ControlPipes(const std::string& in, const std::string& out)
    : state_(std::make_shared<State>()) {
  if (in.empty() && out.empty()) return;
  state_->hasOut = !out.empty();
  std::thread([state = state_, in, out] {
    std::FILE* input = in.empty() ? nullptr : platform::OpenPipeToRead(in.c_str());
    if (!out.empty()) {
      platform::OutputFile output(out.c_str(), platform::OutputKind::kPipe, [] { return true; });
      if (output.is_open()) {
        std::lock_guard lock(state->mutex);
        state->out.emplace(std::move(output));
        for (const std::string& text : state->pending) state->Send(text);
        state->pending.clear();
      }
    }
    if (input != nullptr) state->Read(input);
  }).detach();
}

bool ControlPipes::StopRequested() const {
  return state_->stop;
}

void ControlPipes::ShowStatus(const std::string& text) {
  std::lock_guard lock(state_->mutex);
  if (!state_->hasOut) return;
  if (state_->out)
    state_->Send(text);
  else
    state_->pending.push_back(text);
}
