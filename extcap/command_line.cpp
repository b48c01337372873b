#include "extcap/command_line.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <utility>

#include "adapter/com20020.h"
#include "adapter/init_blocks.h"
#include "res/templates.h"
#include "settings/settings.h"

namespace {

using Type = AdapterOption::Type;
using Operation = ExtcapCommand::Operation;

constexpr ExtcapInterface kInterfaces[] = {
    {"tarnwick-arcnet-usb", "Tarnwick ARCNET: USB adapter", kAdapterUsb},
    {"tarnwick-arcnet-pci", "Tarnwick ARCNET: PCI card (MORLA)", kAdapterPci},
    {"tarnwick-arcnet-server", "Tarnwick ARCNET: network server device (VORNEX)", kAdapterServer},
};

std::optional<int> ParseInt(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The value's index in the list; CheckOptionValue has made sure it is there.
int IndexIn(std::span<const std::string_view> list, std::string_view value) {
  return static_cast<int>(std::find(list.begin(), list.end(), value) - list.begin());
}

std::string Boolean(bool value) {
  return value ? "true" : "false";
}

// The settings dialogs' fields, with their labels and ranges.
const AdapterOption kOptions[] = {
    {"--node-id", "Node ID (DEC)", "The adapter's own node ID on the ARCNET network",
     Type::kInteger, false, &kNodeIdRange, []() -> std::int64_t { return LocalInit.nodeId; },
     nullptr, nullptr,
     [](std::string_view v) { LocalInit.nodeId = static_cast<std::uint8_t>(*ParseInt(v)); }},
    {"--device-number", "Device Number", "Which of the adapters of this kind in the computer",
     Type::kInteger, false, &kDeviceNumberRange, []() -> std::int64_t { return DeviceNumber; },
     nullptr, nullptr, [](std::string_view v) { DeviceNumber = *ParseInt(v); }},
    {"--data-rate", "Data Rate", "The network's data rate", Type::kSelector, false, &kDataRateRange,
     []() -> std::int64_t { return DataRate; }, res::DataRateList, nullptr,
     [](std::string_view v) { DataRate = IndexIn(res::DataRateList(), v); }},
    {"--extended-timeouts", "Extended Timeouts", "The network's extended timeouts", Type::kSelector,
     false, &kTimeoutsRange, []() -> std::int64_t { return Timeouts; }, res::TimeoutsList, nullptr,
     [](std::string_view v) { Timeouts = IndexIn(res::TimeoutsList(), v); }},
    {"--naks128", "128 NAKs", "The 128-NAKs option", Type::kBoolean, false, &kNaks128Range,
     []() -> std::int64_t { return LocalInit.naks128; }, nullptr, nullptr,
     [](std::string_view v) { LocalInit.naks128 = v == "true" ? 1 : 0; }},
    {"--server-address", "VORNEX IP Address",
     "The device's name, IPv4 or IPv6 address, when not detected automatically", Type::kString,
     true, nullptr, nullptr, nullptr, [] { return IPAddress; },
     [](std::string_view v) { IPAddress = std::string(v); }},
    {"--port", "TCP Port Number", "The device's TCP port, when not detected automatically",
     Type::kInteger, true, &kPortNumberRange, []() -> std::int64_t { return PortNumber; }, nullptr,
     nullptr, [](std::string_view v) { PortNumber = *ParseInt(v); }},
    // After the address: detection, when asked for, is what the settings
    // hold as an empty address, whatever address was given beside it.
    {"--auto-detect", "Auto-Detect", "Find the device by a broadcast on the local network",
     Type::kBoolean, true, nullptr, nullptr, nullptr, [] { return Boolean(IPAddress.empty()); },
     [](std::string_view v) {
       if (v == "true") IPAddress.clear();
     }},
};

std::optional<Operation> OperationNamed(std::string_view name) {
  static constexpr std::pair<std::string_view, Operation> kOperations[] = {
      {"--extcap-interfaces", Operation::kInterfaces},
      {"--extcap-dlts", Operation::kDlts},
      {"--extcap-config", Operation::kConfig},
      {"--capture", Operation::kCapture},
      {"--help", Operation::kHelp},
  };
  for (const auto& [flag, operation] : kOperations)
    if (flag == name) return operation;
  return std::nullopt;
}

const ExtcapInterface* FindInterface(std::string_view name) {
  for (const ExtcapInterface& interface : kInterfaces)
    if (interface.name == name) return &interface;
  return nullptr;
}

const AdapterOption* FindOption(std::string_view call) {
  for (const AdapterOption& option : kOptions)
    if (option.call == call) return &option;
  return nullptr;
}

std::string InterfaceNames() {
  std::string names;
  for (const ExtcapInterface& interface : kInterfaces)
    names += (names.empty() ? "" : ", ") + std::string(interface.name);
  return names;
}

// Walks the arguments: "--name value" or "--name=value", and the flags.
class ArgumentReader {
 public:
  explicit ArgumentReader(std::span<const std::string_view> args) : args_(args) {}

  bool Next() {
    if (at_ >= args_.size()) return false;
    const std::string_view arg = args_[at_++];
    const std::size_t equals = arg.find('=');
    name_ = arg.substr(0, equals);
    inline_ =
        equals == std::string_view::npos ? std::nullopt : std::optional(arg.substr(equals + 1));
    return true;
  }
  std::string_view name() const { return name_; }
  bool HasInlineValue() const { return inline_.has_value(); }
  // The value of the current option; nullopt when none follows.
  std::optional<std::string_view> Value() {
    if (inline_) return inline_;
    if (at_ >= args_.size()) return std::nullopt;
    return args_[at_++];
  }

 private:
  std::span<const std::string_view> args_;
  std::size_t at_ = 0;
  std::string_view name_;
  std::optional<std::string_view> inline_;
};

}  // namespace

std::span<const ExtcapInterface> ExtcapInterfaces() {
  return kInterfaces;
}

std::span<const AdapterOption> AdapterOptions() {
  return kOptions;
}

bool OptionApplies(const AdapterOption& option, const ExtcapInterface& interface) {
  return option.server == (interface.kind == kAdapterServer);
}

std::string OptionSetting(const AdapterOption& option) {
  if (option.range == nullptr) return option.text();
  const std::int64_t number = option.number();
  if (!SettingRefusal(*option.range, number).empty()) return {};
  switch (option.type) {
    case Type::kSelector: {
      const auto list = option.list();
      const auto index = static_cast<std::size_t>(number);
      return index < list.size() ? std::string(list[index]) : std::string();
    }
    case Type::kBoolean:
      return Boolean(number != 0);
    default:
      return std::to_string(number);
  }
}

std::string CheckOptionValue(const AdapterOption& option, std::string_view value) {
  switch (option.type) {
    case Type::kInteger: {
      const std::optional<int> number = ParseInt(value);
      if (number && option.range->Holds(*number)) return {};
      return "must be a whole number from " + std::to_string(option.range->low) + " to " +
             std::to_string(option.range->high);
    }
    case Type::kSelector: {
      const auto list = option.list();
      if (std::find(list.begin(), list.end(), value) != list.end()) return {};
      std::string entries;
      for (const std::string_view entry : list)
        entries += (entries.empty() ? "\"" : ", \"") + std::string(entry) + "\"";
      return "must be one of " + entries;
    }
    case Type::kBoolean:
      return value == "true" || value == "false" ? std::string() : "must be true or false";
    case Type::kString:
      // The settings say "detect it" with an empty address; an option says
      // it in words, so an empty value left by mistake finds no stranger.
      return value.empty() ? "must not be empty; to find the device automatically, give "
                             "--auto-detect true"
                           : std::string();
  }
  return {};
}

std::variant<ExtcapCommand, std::string> ParseCommandLine(std::span<const std::string_view> args) {
  ExtcapCommand command;
  std::optional<Operation> operation;
  bool version = false;

  const auto quoted = [](std::string_view text) { return "\"" + std::string(text) + "\""; };
  ArgumentReader reader(args);
  while (reader.Next()) {
    const std::string_view name = reader.name();
    const auto valueOf = [&](std::string& into) -> std::string {
      const auto value = reader.Value();
      if (!value) return std::string(name) + ": a value must follow";
      into = std::string(*value);
      return {};
    };
    std::string error;
    if (const auto wanted = OperationNamed(name)) {
      if (reader.HasInlineValue()) return std::string(name) + ": takes no value";
      if (operation && *operation != *wanted)
        return std::string(name) + ": one operation at a time";
      operation = wanted;
    } else if (name == "--extcap-version") {
      // Wireshark gives its own version with --extcap-interfaces; alone it
      // asks for ours.
      version = true;
    } else if (name == "--extcap-interface") {
      std::string value;
      error = valueOf(value);
      if (error.empty() && !FindInterface(value))
        error = std::string(name) + " " + quoted(value) + ": no such interface; there are " +
                InterfaceNames();
      if (error.empty()) command.interface = FindInterface(value);
    } else if (name == "--fifo") {
      error = valueOf(command.fifo);
    } else if (name == "--extcap-control-in") {
      error = valueOf(command.controlIn);
    } else if (name == "--extcap-control-out") {
      error = valueOf(command.controlOut);
    } else if (name == "--extcap-capture-filter") {
      std::string filter;
      error = valueOf(filter);
      if (error.empty() && !filter.empty())
        error = std::string(name) +
                ": capture filters are not supported; use a display filter in Wireshark";
    } else if (name == "--debug") {
      // Wireshark asks for a log when it logs itself; there is none to give.
    } else if (name == "--debug-file") {
      std::string ignored;
      error = valueOf(ignored);
    } else if (const AdapterOption* option = FindOption(name)) {
      std::string value;
      error = valueOf(value);
      if (error.empty()) {
        if (const std::string why = CheckOptionValue(*option, value); !why.empty())
          error = std::string(name) + " " + quoted(value) + ": " + why;
      }
      if (error.empty()) command.settings.push_back({option, value});
    } else {
      error = std::string(name) + ": unknown option (see --help)";
    }
    if (!error.empty()) return error;
  }

  if (!operation && version) operation = Operation::kVersion;
  if (!operation)
    return "nothing to do: give --extcap-interfaces, --capture or another operation "
           "(see --help)";
  command.operation = *operation;
  const bool onInterface = command.operation == Operation::kDlts ||
                           command.operation == Operation::kConfig ||
                           command.operation == Operation::kCapture;
  if (onInterface && command.interface == nullptr)
    return "--extcap-interface: which interface must be given; there are " + InterfaceNames();
  if (command.operation == Operation::kCapture && command.fifo.empty())
    return "--fifo: where to write must be given: a FIFO's path, or - for standard output";
  for (const ExtcapCommand::Setting& setting : command.settings) {
    if (command.interface != nullptr && !OptionApplies(*setting.option, *command.interface))
      return std::string(setting.option->call) + ": not an option of " +
             std::string(command.interface->name);
  }
  return command;
}
