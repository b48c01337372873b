// The process-wide records handed to Com20020Init. The NodeID and 128NAKs
// settings are stored in LocalInit itself, so a node ID that the library
// writes back is what the main window shows and what is saved.
#pragma once

#include "adapter/com20020.h"

extern LocalInitBlock LocalInit;
extern ServerInitBlock ServerInit;
