// Reader of atmospheric profile files.
//
// Format: plain text, the level count first, then for each level five numbers:
// height (m), air temperature (K), pressure (mb), absolute humidity (g/m^3) and
// cloud water (g/m^3). Tokens are separated by any white space; numbers always
// use "." as the decimal separator, whatever the locale. Each read takes the
// longest prefix of the remaining text that forms a number; the rest of a token is
// left for the next read. Anything after the last level is ignored.
//
// A file that does not describe a usable profile is refused with a Russian
// message naming the level (from 1) and the quantity; nothing partial is returned.
#pragma once

#include <string>
#include <string_view>

#include "common/records.h"

namespace seasky {

// Largest level count accepted.
inline constexpr int kMaxProfileLevels = 100000;
// Largest height magnitude accepted, m (1000 km): keeps the 100 m grid of the
// radiative transfer within 20001 layers.
inline constexpr double kMaxProfileHeight = 1.0e6;
// Below this air temperature, K, a level may not hold liquid cloud water.
inline constexpr double kMinLiquidCloudTemperature = 233.15;

struct ProfileReadResult {
    bool ok = false;
    ProfileStore profile;  // filled only when ok
    std::string message;   // why the file was refused, when not ok
};

// Parses the text of a profile file.
ProfileReadResult ParseProfileText(std::string_view text);

// Reads the named file (the name is used as given: UTF-8 bytes on Linux). A file
// that cannot be opened gives "Не могу открыть файл\n" followed by the name.
ProfileReadResult ReadProfileFile(const std::string& fileName);

// Reads the named file into store. On success the store is replaced and the
// result is an empty string; otherwise the store is left untouched and the
// result is the message.
std::string LoadProfileFile(const std::string& fileName, ProfileStore& store);

}  // namespace seasky
