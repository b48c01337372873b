// The text of a private-profile (INI) file, read and changed in memory the
// way the Windows profile functions read and change the file: our profile
// functions (platform/profile.h) do their work here and only load and
// replace the file themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The value of `key` in `section`, as GetPrivateProfileStringA returns it:
// without the blanks around it, and without one pair of matching quotes.
// Nothing when the section or the key is missing.
std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key);

// A value read as GetPrivateProfileIntA reads it: an optional sign and the
// leading decimal digits, wrapping modulo 2^32; no leading digit reads as 0.
int ProfileValueAsInt(std::string_view value);

// The number that the same sign and digits state, whole as far as 64 bits
// go (beyond, the nearest that they hold): what ProfileValueAsInt keeps
// only the low 32 bits of.
std::int64_t ProfileValueAsWholeNumber(std::string_view value);

// Sets `key` in `section` to `value` as WritePrivateProfileStringA does (see
// platform/profile.h). False, and the text unchanged, when a name or the
// value cannot be written soundly: a line break in any of them, '=' in the
// key, ']' in the section, or an empty name.
bool SetProfileValue(std::string& text, std::string_view section, std::string_view key,
                     std::string_view value);

}  // namespace platform
