// Reader of atmospheric profile files.
//
// Format: plain text, the level count first, then for each level five numbers:
// height (m), air temperature (K), pressure (mb), absolute humidity (g/m^3) and
// cloud water (g/m^3). Tokens are separated by any white space; numbers always
// use "." as the decimal separator, whatever the locale. Each read takes the
// longest prefix of the remaining text that forms a number; the rest of a token is
// left for the next read. Anything after the last level is ignored. A UTF-8
// byte-order mark at the start is skipped; lines may end in LF, CR LF or CR
// (all white space).
//
// A file that does not describe a usable profile is refused with a Russian
// message naming the level (from 1) and the quantity; nothing partial is returned.
#pragma once

#include <string>
#include <string_view>

#include "app/validation.h"
#include "common/records.h"

namespace seasky {

// The level count (2 to 100000) and the values of every level are checked by
// the rules of the validation table (app/validation.h): a height of at most
// 1000 km in magnitude keeps the 100 m grid of the radiative transfer within
// 20001 layers; liquid cloud water only at 233.15 K or warmer.

// The largest profile file read, in bytes: 100000 levels of five numbers need a
// few megabytes; a larger file is refused before it is read. The file is read a
// block at a time and only the levels are kept.
inline constexpr std::size_t kMaxProfileFileBytes = 64u * 1024u * 1024u;
// The longest number read, in characters.
inline constexpr std::size_t kMaxNumberLength = 4096;

struct ProfileReadResult {
    bool ok = false;
    ProfileStore profile;  // filled only when ok
    std::string message;   // why the file was refused, when not ok
    // The rule a refused level broke (none for a file that cannot be read or whose
    // numbers cannot be read).
    std::optional<ValidationFailure> failure;
};

// Parses the text of a profile file.
ProfileReadResult ParseProfileText(std::string_view text);

// Reads the named file (the name is used as given: UTF-8 bytes on Linux). A file
// that cannot be opened gives "Не могу открыть файл\n" followed by the name, one
// that cannot be read "Не могу прочитать файл\n" and the name. Only a regular
// file is read: a pipe or a device is refused without waiting for a writer or
// reading on without end.
ProfileReadResult ReadProfileFile(const std::string& fileName);

// Reads the named file into store. On success the store is replaced and the
// result is an empty string; otherwise the store is left untouched and the
// result is the message.
std::string LoadProfileFile(const std::string& fileName, ProfileStore& store);

}  // namespace seasky
