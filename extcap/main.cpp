// tarnwick-extcap's entry point.
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "extcap/extcap_main.h"
#include "platform/program.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = platform::CommandLineArguments(argc, argv);
  const std::vector<std::string_view> args(arguments.begin(), arguments.end());
  return ExtcapMain(args, std::cout, std::cerr);
}
