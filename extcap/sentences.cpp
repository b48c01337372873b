#include "extcap/sentences.h"

#include <string>
#include <string_view>

#include "res/version.h"

namespace {

// A text in braces must hold none: a setting from a hand-edited file that
// does is not offered as a default.
bool Sayable(std::string_view text) {
  return text.find_first_of("{}\r\n") == std::string_view::npos;
}

const char* TypeName(AdapterOption::Type type) {
  switch (type) {
    case AdapterOption::Type::kInteger:
      return "integer";
    case AdapterOption::Type::kSelector:
      return "selector";
    case AdapterOption::Type::kBoolean:
      return "boolean";
    case AdapterOption::Type::kString:
      return "string";
  }
  return "string";
}

}  // namespace

void PrintVersion(std::ostream& out) {
  out << "extcap {version=" TARNWICK_VERSION "}\n";
}

void PrintInterfaces(std::ostream& out) {
  PrintVersion(out);
  for (const ExtcapInterface& interface : ExtcapInterfaces())
    out << "interface {value=" << interface.name << "}{display=" << interface.display << "}\n";
  // A toolbar makes Wireshark hand over its control pipes; the end of the
  // one it writes says that Wireshark has gone, where no signal can.
  out << "control {number=" << kStopControl
      << "}{type=button}{role=control}{display=Stop}"
         "{tooltip=End the capture: the controller as it was, the adapter off line}\n";
}

void PrintDlts(const ExtcapInterface&, std::ostream& out) {
  out << "dlt {number=129}{name=ARCNET_LINUX}{display=ARCNET with the Linux header}\n";
}

void PrintConfig(const ExtcapInterface& interface, std::ostream& out) {
  int number = 0;
  for (const AdapterOption& option : AdapterOptions()) {
    if (!OptionApplies(option, interface)) continue;
    const std::string setting = OptionSetting(option);
    out << "arg {number=" << number << "}{call=" << option.call << "}{display=" << option.display
        << "}{type=" << TypeName(option.type) << "}";
    if (option.type == AdapterOption::Type::kInteger)
      out << "{range=" << option.range->low << "," << option.range->high << "}";
    if (option.type != AdapterOption::Type::kSelector && !setting.empty() && Sayable(setting))
      out << "{default=" << setting << "}";
    out << "{tooltip=" << option.tooltip << "}\n";
    if (option.type == AdapterOption::Type::kSelector) {
      for (const std::string_view entry : option.list()) {
        out << "value {arg=" << number << "}{value=" << entry << "}{display=" << entry
            << "}{default=" << (entry == setting ? "true" : "false") << "}\n";
      }
    }
    ++number;
  }
}

void PrintHelp(std::ostream& out) {
  out << "Usage: tarnwick-extcap --capture --extcap-interface INTERFACE --fifo PATH [OPTION "
         "VALUE]...\n"
         "       tarnwick-extcap --extcap-interfaces | --extcap-version\n"
         "       tarnwick-extcap --extcap-dlts | --extcap-config --extcap-interface INTERFACE\n"
         "\n"
         "Captures the frames of an ARCNET network live into Wireshark or tshark, which\n"
         "run it as an extcap program (install it, then pick a Tarnwick ARCNET interface).\n"
         "The capture brings the adapter on line with the settings of Tarnwick.ini and\n"
         "the options given, switches it to receive every frame, and writes them as pcap\n"
         "(link type 129) to PATH until SIGINT, SIGTERM, Wireshark's Stop or the reader\n"
         "closing PATH; then it puts the controller back and takes the adapter off line.\n"
         "It never changes Tarnwick.ini.\n"
         "\n"
         "  --fifo -   writes to standard output instead, for a pipe from a shell:\n"
         "               tarnwick-extcap --capture --extcap-interface tarnwick-arcnet-usb \\\n"
         "                 --fifo - | tshark -i -\n"
         "\n"
         "Interfaces:\n";
  for (const ExtcapInterface& interface : ExtcapInterfaces())
    out << "  " << interface.name << std::string(26 - interface.name.size(), ' ')
        << interface.display << "\n";
  out << "\nOptions (an option not given keeps the setting of Tarnwick.ini):\n";
  for (const AdapterOption& option : AdapterOptions()) {
    std::string values;
    switch (option.type) {
      case AdapterOption::Type::kInteger:
        values = std::to_string(option.range->low) + "-" + std::to_string(option.range->high);
        break;
      case AdapterOption::Type::kSelector:
        for (const std::string_view entry : option.list())
          values += (values.empty() ? "" : "|") + std::string(entry);
        values = "\"" + values + "\"";
        break;
      case AdapterOption::Type::kBoolean:
        values = "true|false";
        break;
      case AdapterOption::Type::kString:
        values = "ADDRESS";
        break;
    }
    out << "  " << option.call << " " << values << "\n      " << option.tooltip
        << (option.server ? " (network server device)" : " (USB adapter, PCI card)") << "\n";
  }
  out << "\nExit status: 0 after a capture that ended as asked, 1 when the adapter could\n"
         "not be brought on line or the capture could not be written (the reason on\n"
         "standard error, which Wireshark shows), 2 for a bad argument.\n";
}
