#include "adapter/init_blocks.h"

LocalInitBlock LocalInit{};
ServerInitBlock ServerInit{};
