// The program's resources: the dialog templates and the icon from which the
// dialog framework builds its windows, and the string table.
#pragma once

#include <string_view>

namespace ui {
struct Resources;
}

namespace res {

// The templates and the icon, for the application object to hand to the
// framework.
const ui::Resources& Resources();

// A string of the string table; empty for an unknown ID.
std::string_view StringResource(int id);

}  // namespace res
