#include "tests/support/scripted_library.h"

#include <cstdio>
#include <cstring>

#include "platform/event.h"

namespace testing_support {

ScriptedLibrary& ScriptedLibrary::Get() {
  static ScriptedLibrary library;
  return library;
}

void ScriptedLibrary::Reset() {
  std::lock_guard lock(mutex_);
  calls_.clear();
  initResult_ = 0;
  nodeIdAfterInit_ = -1;
  std::memset(indexed_, 0, sizeof indexed_);
  subAddress_ = 0;
  readFails_ = false;
  receives_.clear();
  onReceive_ = nullptr;
  receiveCalls_ = 0;
  wakeOnReceiveResult_ = 0;
  hasEvent_ = false;
}

std::vector<LibraryCall> ScriptedLibrary::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::string> ScriptedLibrary::CallTrace() const {
  std::vector<std::string> trace;
  for (const LibraryCall& call : Calls()) {
    if (call.function != "Com20020Register") {
      trace.push_back(call.function);
      continue;
    }
    char text[64];
    const RegisterRequest& r = call.request;
    if (r.operation == kRegisterWrite)
      std::snprintf(text, sizeof text, "Com20020Register(w%u=%02X)", r.reg, r.value);
    else
      std::snprintf(text, sizeof text, "Com20020Register(r%u)", r.reg);
    trace.push_back(text);
  }
  return trace;
}

void ScriptedLibrary::SetInitResult(std::int32_t result) {
  std::lock_guard lock(mutex_);
  initResult_ = result;
}

void ScriptedLibrary::SetNodeIdAfterInit(std::uint8_t nodeId) {
  std::lock_guard lock(mutex_);
  nodeIdAfterInit_ = nodeId;
}

void ScriptedLibrary::SetIndexedRegister(std::uint8_t index, std::uint8_t value) {
  std::lock_guard lock(mutex_);
  indexed_[index & 7] = value;
}

std::uint8_t ScriptedLibrary::IndexedRegister(std::uint8_t index) const {
  std::lock_guard lock(mutex_);
  return indexed_[index & 7];
}

void ScriptedLibrary::SetRegisterReadFails(bool fails) {
  std::lock_guard lock(mutex_);
  readFails_ = fails;
}

void ScriptedLibrary::SetWakeOnReceiveResult(std::int32_t result) {
  std::lock_guard lock(mutex_);
  wakeOnReceiveResult_ = result;
}

void ScriptedLibrary::QueueReceives(std::vector<ScriptedReceive> receives) {
  std::lock_guard lock(mutex_);
  receives_.insert(receives_.end(), receives.begin(), receives.end());
}

std::size_t ScriptedLibrary::QueuedReceives() const {
  std::lock_guard lock(mutex_);
  return receives_.size();
}

void ScriptedLibrary::OnReceive(std::function<void(int)> hook) {
  std::lock_guard lock(mutex_);
  onReceive_ = std::move(hook);
}

bool ScriptedLibrary::SignalWakeEvent() {
  std::lock_guard lock(mutex_);
  if (!hasEvent_) return false;
  platform::SignalEvent(event_);
  return true;
}

bool ScriptedLibrary::HasWakeEvent() const {
  std::lock_guard lock(mutex_);
  return hasEvent_;
}

LibraryCall& ScriptedLibrary::Record(const char* function) {
  calls_.emplace_back();
  calls_.back().function = function;
  return calls_.back();
}

std::int32_t ScriptedLibrary::Init(void* block, std::uint8_t device, std::uint8_t kind) {
  std::lock_guard lock(mutex_);
  LibraryCall& call = Record("Com20020Init");
  call.deviceNumber = device;
  call.adapterKind = kind;
  const std::size_t size =
      kind == kAdapterServer ? sizeof(ServerInitBlock) : sizeof(LocalInitBlock);
  const auto* bytes = static_cast<const std::uint8_t*>(block);
  call.block.assign(bytes, bytes + size);
  if (kind == kAdapterServer) {
    const auto* server = static_cast<const ServerInitBlock*>(block);
    call.addressIsNull = server->address == nullptr;
    if (server->address != nullptr) call.address = server->address;
  }
  if (initResult_ == 0 && nodeIdAfterInit_ >= 0) {
    const auto node = static_cast<std::uint8_t>(nodeIdAfterInit_);
    if (kind == kAdapterServer)
      static_cast<ServerInitBlock*>(block)->nodeId = node;
    else
      static_cast<LocalInitBlock*>(block)->nodeId = node;
  }
  return initResult_;
}

std::int32_t ScriptedLibrary::Exit() {
  std::lock_guard lock(mutex_);
  Record("Com20020Exit");
  return 0;
}

std::int32_t ScriptedLibrary::Register(RegisterRequest* request) {
  std::lock_guard lock(mutex_);
  std::int32_t result = 0;
  // The COM20020's indexed access: register 5 picks the register that
  // register 7 reaches.
  if (request->operation == kRegisterWrite && request->reg == 5) {
    subAddress_ = request->value & 7;
  } else if (request->operation == kRegisterWrite && request->reg == 7) {
    indexed_[subAddress_] = request->value;
  } else if (request->operation == kRegisterRead && request->reg == 7) {
    if (readFails_)
      result = 1;
    else
      request->value = indexed_[subAddress_];
  }
  Record("Com20020Register").request = *request;
  return result;
}

std::int32_t ScriptedLibrary::WakeOnReceive(Com20020Event event) {
  std::lock_guard lock(mutex_);
  Record("Com20020WakeOnReceive");
  if (wakeOnReceiveResult_ != 0) return wakeOnReceiveResult_;
  event_ = event;
  hasEvent_ = true;
  return 0;
}

std::int32_t ScriptedLibrary::ResetWakeOnReceive() {
  std::lock_guard lock(mutex_);
  Record("Com20020ResetWakeOnReceive");
  hasEvent_ = false;
  return 0;
}

std::int32_t ScriptedLibrary::FlushRx() {
  std::lock_guard lock(mutex_);
  Record("Com20020FlushRX");
  return 0;
}

std::int32_t ScriptedLibrary::Receive(ArcnetFrame* frame) {
  std::function<void(int)> hook;
  int number;
  {
    std::lock_guard lock(mutex_);
    Record("Com20020Receive");
    number = ++receiveCalls_;
    hook = onReceive_;
  }
  if (hook) hook(number);
  std::lock_guard lock(mutex_);
  if (receives_.empty()) {
    frame->waiting = 0;
    return 1;
  }
  const ScriptedReceive next = receives_.front();
  receives_.pop_front();
  if (next.result == 0)
    *frame = next.frame;
  else
    frame->waiting = next.frame.waiting;
  return next.result;
}

ScriptedReceive FrameReceive(std::uint8_t source, std::uint8_t destination, std::uint16_t length,
                             std::uint32_t waiting, std::uint8_t seed) {
  ScriptedReceive r;
  r.frame.source = source;
  r.frame.destination = destination;
  r.frame.length = length;
  for (std::size_t i = 0; i < kArcnetMaxData; ++i)
    r.frame.data[i] = static_cast<std::uint8_t>(i * 13 + seed);
  r.frame.waiting = waiting;
  return r;
}

}  // namespace testing_support

// The library's exports, answered by the script.
using testing_support::ScriptedLibrary;

extern "C" {
std::int32_t Com20020Init(void* block, std::uint8_t device, std::uint8_t kind) {
  return ScriptedLibrary::Get().Init(block, device, kind);
}
std::int32_t Com20020Exit(void) {
  return ScriptedLibrary::Get().Exit();
}
std::int32_t Com20020Register(RegisterRequest* request) {
  return ScriptedLibrary::Get().Register(request);
}
std::int32_t Com20020WakeOnReceive(Com20020Event event) {
  return ScriptedLibrary::Get().WakeOnReceive(event);
}
std::int32_t Com20020ResetWakeOnReceive(void) {
  return ScriptedLibrary::Get().ResetWakeOnReceive();
}
std::int32_t Com20020FlushRX(void) {
  return ScriptedLibrary::Get().FlushRx();
}
std::int32_t Com20020Receive(ArcnetFrame* frame) {
  return ScriptedLibrary::Get().Receive(frame);
}
}
