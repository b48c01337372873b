// A test double of the adapter library, linked in its place: it records
// every call with what was passed, and serves results, register values and
// frames from a script. Tests reach it through ScriptedLibrary::Get().
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "adapter/com20020.h"

namespace testing_support {

struct LibraryCall {
  std::string function;
  std::vector<std::uint8_t> block;  // Com20020Init: the init block's bytes as passed
  int deviceNumber = -1;            // Com20020Init
  int adapterKind = -1;             // Com20020Init
  std::string address;              // Com20020Init of kind 2: the text the block points to
  bool addressIsNull = false;
  RegisterRequest request{};  // Com20020Register: the request as passed
};

// One scripted answer of Com20020Receive.
struct ScriptedReceive {
  std::int32_t result = 0;
  ArcnetFrame frame{};  // its waiting count is what the call reports
};

class ScriptedLibrary {
 public:
  static ScriptedLibrary& Get();

  // Forgets calls and script; registers back to a quiet controller.
  void Reset();

  std::vector<LibraryCall> Calls() const;
  // The functions called, in order, e.g. "Com20020Register(w5=02)".
  std::vector<std::string> CallTrace() const;

  // Com20020Init's result, and the node ID it leaves in the block on success.
  void SetInitResult(std::int32_t result);
  void SetNodeIdAfterInit(std::uint8_t nodeId);

  // The controller's indexed registers (Setup 1 is index 2), and whether a
  // read of register 7 fails.
  void SetIndexedRegister(std::uint8_t index, std::uint8_t value);
  std::uint8_t IndexedRegister(std::uint8_t index) const;
  void SetRegisterReadFails(bool fails);

  // Answers for the next Com20020Receive calls; an empty script answers
  // "nothing received, none waiting".
  void QueueReceives(std::vector<ScriptedReceive> receives);
  std::size_t QueuedReceives() const;
  // Called inside each Com20020Receive with the number of the call (from 1).
  void OnReceive(std::function<void(int)> hook);

  // What Com20020WakeOnReceive answers; a refused event is not registered.
  void SetWakeOnReceiveResult(std::int32_t result);
  // Signals the event registered by Com20020WakeOnReceive; false when none
  // is registered.
  bool SignalWakeEvent();
  bool HasWakeEvent() const;

  // The library's side of the calls.
  std::int32_t Init(void* block, std::uint8_t device, std::uint8_t kind);
  std::int32_t Exit();
  std::int32_t Register(RegisterRequest* request);
  std::int32_t WakeOnReceive(Com20020Event event);
  std::int32_t ResetWakeOnReceive();
  std::int32_t FlushRx();
  std::int32_t Receive(ArcnetFrame* frame);

 private:
  LibraryCall& Record(const char* function);

  mutable std::mutex mutex_;
  std::vector<LibraryCall> calls_;
  std::int32_t initResult_ = 0;
  int nodeIdAfterInit_ = -1;
  std::uint8_t indexed_[8] = {};
  std::uint8_t subAddress_ = 0;
  bool readFails_ = false;
  std::deque<ScriptedReceive> receives_;
  std::function<void(int)> onReceive_;
  int receiveCalls_ = 0;
  std::int32_t wakeOnReceiveResult_ = 0;
  bool hasEvent_ = false;
  Com20020Event event_{};
};

// A frame with `length` data bytes and the given waiting count.
ScriptedReceive FrameReceive(std::uint8_t source, std::uint8_t destination, std::uint16_t length,
                             std::uint32_t waiting, std::uint8_t seed = 0);

}  // namespace testing_support
