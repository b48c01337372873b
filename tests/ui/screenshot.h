// The backend's half of the screenshots program (screenshots.cpp).
#pragma once

#include <filesystem>

// On the UI thread: saves what the screen shows of the window on top, its
// frame included, as a PNG file. False when that fails.
bool SaveTopWindow(const std::filesystem::path& file);
