// tarnwick-extcap's command line, as Wireshark calls it (and as a person at
// a shell may): which operation, on which interface, with which settings.
// The whole line is checked before anything is done, so a bad argument is
// refused with one line naming it before the adapter is touched.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/setting_ranges.h"

// One capture interface per adapter kind.
struct ExtcapInterface {
  std::string_view name;     // what Wireshark calls it: "tarnwick-arcnet-usb"
  std::string_view display;  // what Wireshark shows beside it
  std::uint8_t kind;         // the adapter kind Com20020Init takes
};
std::span<const ExtcapInterface> ExtcapInterfaces();

// A setting that a capture takes as an option: a field of the settings
// dialog of the interface's adapter kind, with the setting's range or the
// dialog's list.
struct AdapterOption {
  enum class Type { kInteger, kSelector, kBoolean, kString };

  std::string_view call;  // "--node-id"
  std::string_view display;
  std::string_view tooltip;
  Type type;
  bool server;  // of the network server device, else local
  // The setting's range (of a list, its indices), and the value the setting
  // holds now; null for the server's address and the detection flag.
  const SettingRange* range;
  std::int64_t (*number)();
  std::span<const std::string_view> (*list)();  // kSelector: the dialog's list entries
  // Without a range: the setting now as this option's value.
  std::string (*text)();
  // Sets the setting from a value that CheckOptionValue accepted.
  void (*set)(std::string_view value);
};
// In the order they are shown and set (so an automatic detection asked for
// wins over an address given beside it).
std::span<const AdapterOption> AdapterOptions();
bool OptionApplies(const AdapterOption& option, const ExtcapInterface& interface);

// The operator's setting now, as this option's value ("7", "2.5 MHz",
// "true"); empty when the setting lies outside its range, so that no value
// the option refuses is ever offered.
std::string OptionSetting(const AdapterOption& option);

// Empty when `value` is one that `option` takes; else why not, in a few words.
std::string CheckOptionValue(const AdapterOption& option, std::string_view value);

struct ExtcapCommand {
  enum class Operation { kHelp, kVersion, kInterfaces, kDlts, kConfig, kCapture };
  struct Setting {
    const AdapterOption* option;
    std::string value;
  };

  Operation operation = Operation::kHelp;
  const ExtcapInterface* interface = nullptr;  // kDlts, kConfig, kCapture
  std::string fifo;                            // kCapture: a path, or "-" for standard output
  std::string controlIn, controlOut;           // Wireshark's control pipes, when it gives them
  std::vector<Setting> settings;               // as given; checked already
};

// The command, or the one line that refuses it, naming the argument.
std::variant<ExtcapCommand, std::string> ParseCommandLine(std::span<const std::string_view> args);
