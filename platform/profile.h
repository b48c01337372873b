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
// part of one. It returns false, and leaves the file as it was, when the file
// or its folder cannot be written, the file cannot be read, or a name or the
// value holds a line break (which would add lines of its own), a key holds
// '=' or a section ']'. A symbolic link keeps pointing at the file it names.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);

}  // namespace platform
