// The program's resources: the dialog templates and the icon from which the
// dialog framework builds its windows, and the string table.
#pragma once

#include <span>
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

// The entries of the local adapter settings dialog's Data Rate and Extended
// Timeouts lists, in order: an entry's index is the value the settings hold
// for it (DataRate, Timeouts).
std::span<const std::string_view> DataRateList();
std::span<const std::string_view> TimeoutsList();

}  // namespace res
