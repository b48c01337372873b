// tarnwick-extcap's entry point.
#include <iostream>
#include <string_view>
#include <vector>

#include "extcap/extcap_main.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  return ExtcapMain(args, std::cout, std::cerr);
}
