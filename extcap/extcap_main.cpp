#include "extcap/extcap_main.h"

#include <chrono>
#include <string>
#include <variant>

#include "extcap/command_line.h"
#include "extcap/live_capture.h"
#include "extcap/sentences.h"
#include "platform/file.h"
#include "settings/settings.h"

namespace {

// A capture refused for a bad argument still opens the FIFO it was given,
// and closes it: Wireshark's reader waits in its open until a writer comes,
// and would wait for ever, never hearing why. Wireshark opens it at once; a
// FIFO that no one opens within a few seconds is left.
void LetTheReaderGo(std::span<const std::string_view> args) {
  std::string fifo;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--fifo" && i + 1 < args.size()) fifo = args[i + 1];
    if (args[i].starts_with("--fifo=")) fifo = args[i].substr(7);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  if (!fifo.empty())
    platform::OutputFile reader(fifo.c_str(), platform::OutputKind::kPipe,
                                [deadline] { return std::chrono::steady_clock::now() < deadline; });
}

}  // namespace

int ExtcapMain(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  const auto parsed = ParseCommandLine(args);
  if (const std::string* refusal = std::get_if<std::string>(&parsed)) {
    err << "tarnwick-extcap: " << *refusal << std::endl;
    LetTheReaderGo(args);
    return 2;
  }
  const ExtcapCommand& command = std::get<ExtcapCommand>(parsed);
  using Operation = ExtcapCommand::Operation;
  switch (command.operation) {
    case Operation::kHelp:
      PrintHelp(out);
      return 0;
    case Operation::kVersion:
      PrintVersion(out);
      return 0;
    case Operation::kInterfaces:
      PrintInterfaces(out);
      return 0;
    case Operation::kDlts:
      PrintDlts(*command.interface, out);
      return 0;
    case Operation::kConfig:
      LoadSettings();
      PrintConfig(*command.interface, out);
      return 0;
    case Operation::kCapture:
      LoadSettings();
      return RunLiveCapture(command, err);
  }
  return 2;
}
