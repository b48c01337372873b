// A fresh folder under the system's temporary folder for one benchmark
// program's files, removed with everything in it when the program ends.
#pragma once

#include "platform/temp_folder.h"

namespace bench {

class TempFolder : public platform::TempFolder {
 public:
  TempFolder() : platform::TempFolder("tarnwick-bench-") {}
};

}  // namespace bench
