// The ARCNET adapter library's interface: the seven Com20020 functions that
// Tarnwick calls and the records that cross the boundary. The library is a
// separate binary (the maker's Pondel.dll, or our stand-in built from pondel/),
// so everything here is a fixed binary contract: C linkage, arguments cleaned
// up by the caller, byte-packed little-endian records.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "the library's records are little-endian and are used in place");

#if defined(_WIN32) && !defined(_WIN64)
#define PONDEL_CALL __cdecl
#else
#define PONDEL_CALL
#endif

#if defined(_WIN32)
#if defined(PONDEL_BUILDING_LIBRARY)
#define PONDEL_API __declspec(dllexport)
#else
// Called through the import library's thunks, not declared dllimport: so a
// test double linked statically in the DLL's place serves the same calls.
#define PONDEL_API
#endif
#else
#define PONDEL_API __attribute__((visibility("default")))
#endif

// The handle of the auto-reset event that the library signals when frames are
// waiting: a Win32 event HANDLE on Windows, an eventfd descriptor on Linux
// (not in semaphore mode, so a read resets it).
#if defined(_WIN32)
typedef void* Com20020Event;
#else
typedef int Com20020Event;
#endif

// Adapter kinds passed to Com20020Init.
enum : std::uint8_t {
  kAdapterUsb = 0,
  kAdapterPci = 1,
  kAdapterServer = 2,
};

#pragma pack(push, 1)

// Passed to Com20020Init for a USB adapter or a PCI card. Only offsets 3-9 are
// written by Tarnwick; the bytes at 6 and 9 are set to 1 before every
// initialisation (their meaning is the library's).
struct LocalInitBlock {
  std::uint8_t reserved[3];
  std::uint8_t timeoutCode;  // extended timeouts: 0x18, 0x10, 0x08 or 0x00
  std::uint8_t nodeId;       // the NodeID setting lives here; the library may rewrite it
  std::uint8_t naks128;      // the 128NAKs setting lives here
  std::uint8_t initFlagA;
  std::uint8_t dataRateCode;
  std::uint8_t highRate;  // 1 for the two fastest data rates
  std::uint8_t initFlagB;
};

// Passed to Com20020Init for the network server device. The address is the
// operator's text, or null for automatic detection (then the port is 0). In a
// 64-bit build the pointer takes 8 bytes and every later field moves by 4.
struct ServerInitBlock {
  const char* address;
  std::uint16_t port;
  std::uint8_t nodeId;  // filled in by the library on success
  std::uint8_t reserved[4];
  std::uint8_t initFlag;
};

// One Com20020Register call: read (0) or write (1) a controller register 0-7.
struct RegisterRequest {
  std::uint8_t operation;
  std::uint8_t reg;
  std::uint8_t value;  // set by the caller for a write, by the library for a read
};

enum : std::uint8_t {
  kRegisterRead = 0,
  kRegisterWrite = 1,
};

inline constexpr std::size_t kArcnetMaxData = 508;

// One received frame, filled by Com20020Receive.
struct ArcnetFrame {
  std::uint8_t source;
  std::uint8_t destination;
  std::uint16_t length;  // data bytes claimed; only kArcnetMaxData fit in data
  std::uint8_t data[kArcnetMaxData];
  std::uint32_t waiting;  // frames still waiting in the library after this one
};

#pragma pack(pop)

static_assert(sizeof(LocalInitBlock) == 10);
static_assert(offsetof(LocalInitBlock, timeoutCode) == 3);
static_assert(offsetof(LocalInitBlock, nodeId) == 4);
static_assert(offsetof(LocalInitBlock, naks128) == 5);
static_assert(offsetof(LocalInitBlock, initFlagA) == 6);
static_assert(offsetof(LocalInitBlock, dataRateCode) == 7);
static_assert(offsetof(LocalInitBlock, highRate) == 8);
static_assert(offsetof(LocalInitBlock, initFlagB) == 9);

inline constexpr std::size_t kPointerGrowth = sizeof(void*) - 4;
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);
static_assert(offsetof(ServerInitBlock, address) == 0);
static_assert(offsetof(ServerInitBlock, port) == 4 + kPointerGrowth);
static_assert(offsetof(ServerInitBlock, nodeId) == 6 + kPointerGrowth);
static_assert(offsetof(ServerInitBlock, reserved) == 7 + kPointerGrowth);
static_assert(offsetof(ServerInitBlock, initFlag) == 11 + kPointerGrowth);
static_assert(sizeof(ServerInitBlock) == 12 + kPointerGrowth);

static_assert(sizeof(RegisterRequest) == 3);
static_assert(offsetof(RegisterRequest, operation) == 0);
static_assert(offsetof(RegisterRequest, reg) == 1);
static_assert(offsetof(RegisterRequest, value) == 2);

static_assert(sizeof(ArcnetFrame) == 516);
static_assert(offsetof(ArcnetFrame, source) == 0);
static_assert(offsetof(ArcnetFrame, destination) == 1);
static_assert(offsetof(ArcnetFrame, length) == 2);
static_assert(offsetof(ArcnetFrame, data) == 4);
static_assert(offsetof(ArcnetFrame, waiting) == 512);

extern "C" {

// 0: the adapter is on line; anything else is the library's error code. The
// block is a LocalInitBlock for kinds 0 and 1, a ServerInitBlock for kind 2.
PONDEL_API std::int32_t PONDEL_CALL Com20020Init(void* initBlock, std::uint8_t deviceNumber,
                                                 std::uint8_t adapterKind);
// Takes the adapter off line.
PONDEL_API std::int32_t PONDEL_CALL Com20020Exit(void);
// 0: done; for a read, request->value then holds the register's value.
PONDEL_API std::int32_t PONDEL_CALL Com20020Register(RegisterRequest* request);
// The library signals the event whenever frames are waiting.
PONDEL_API std::int32_t PONDEL_CALL Com20020WakeOnReceive(Com20020Event event);
// The library stops signalling the event; after this it may be closed.
PONDEL_API std::int32_t PONDEL_CALL Com20020ResetWakeOnReceive(void);
// Discards the frames already waiting.
PONDEL_API std::int32_t PONDEL_CALL Com20020FlushRX(void);
// 0: one frame was copied into *frame. Whatever the result, frame->waiting
// says how many frames are still waiting (0 when none is left).
PONDEL_API std::int32_t PONDEL_CALL Com20020Receive(ArcnetFrame* frame);

}  // extern "C"
