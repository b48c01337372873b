// The private-profile (INI file) functions. On Windows they are the system's
// own; elsewhere our implementation, which keeps the Windows behaviour that
// the settings rely on:
//
// - A section line is "[name]", a key line is "key=value"; section and key
//   names match without regard to ASCII case, blanks around names and values
//   do not count, and a value enclosed in a matching pair of single or double
//   quotes is read without them. A line whose first non-blank character is
//   ';' is a comment. Only the first section of a name is searched, and the
//   first key of a name in it.
// - Names are listed and keys deleted only by the Windows functions (a null
//   section, key or value there): ours need all of them.
//
// Elsewhere the file name is a path, taken as it is; Windows resolves a bare
// name in the Windows directory.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace platform {

// The value of `key` read as Windows reads integers: an optional sign and the
// leading decimal digits, wrapping modulo 2^32 like the system's unsigned
// result; a value with no leading digit reads as 0. A missing file, section
// or key, and an empty value, give `defaultValue`.
int GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                          const char* fileName);

// Copies the value of `key` (or `defaultValue` without its trailing blanks,
// when the key is missing; null means "") into `buffer`, always terminated
// when bufferSize > 0, and returns the number of characters copied without
// the terminator. A value that does not fit is cut to bufferSize - 1
// characters, and bufferSize - 1 is returned: a caller that sees that may
// retry with a larger buffer. With bufferSize 0 nothing is written and 0 is
// returned.
unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, unsigned bufferSize, const char* fileName);

// Sets `key` to `value`: the old value is replaced where it stands (the rest
// of its line kept), or "key=value" is added after the section's last
// non-blank line, or the section with the key is added at the end of the
// file; a missing file is created, a missing folder is not. Every other byte
// of the file stays as it was; new lines end like the file's first line ("\n"
// in a new file).
//
// Ours replaces the file as a whole (a temporary file beside it, then a
// rename), so an interrupted write leaves the old file or the new one, never
// part of one; the new file keeps the old one's owner and mode, and a
// symbolic link keeps pointing at the file it names (a missing one is
// created). It returns false, and leaves the file as it was, when the file or
// its folder cannot be written, the file is read-only by its permission bits,
// the file cannot be read or is not a regular file of at most 1 MiB, or a
// name or the value holds a line break (which would add lines of its own), a
// key holds '=' or a section ']'. A file that cannot be read counts as
// missing for the two readers above.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);

struct ProfileString {
  const char* key;
  std::string value;
};

// Sets each key of `section` to its value in turn, exactly as that many calls
// of WritePrivateProfileStringA would, but replaces the file only once, with
// all of them: either every key is written or the file stays as it was.
// Returns why not, in the system's words where it has them ("No space left
// on device", "it is read-only"); nothing when all were written.
std::optional<std::string> WritePrivateProfileStrings(const char* section,
                                                      std::span<const ProfileString> strings,
                                                      const char* fileName);

}  // namespace platform
