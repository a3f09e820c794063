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
//
// Radiosonde soundings (a University of Wyoming text listing, an IGRA 2 data
// file) are recognised and read as profiles too: app/sounding_reader.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// The largest sounding file read, in bytes: an IGRA 2 file of a station's whole
// record holds tens of thousands of soundings. It is read a block at a time
// and only the chosen sounding is kept.
inline constexpr std::size_t kMaxSoundingFileBytes = 2048u * 1024u * 1024u;

// A profile file's refusals begin so.
inline constexpr const char* kProfileFileSubject = "Ошибка в файле профиля";

// Which sounding of a file of many (IGRA 2) is read: the first when neither is
// given; index counts from 0; time is the nominal date and hour (UTC) of the
// sounding's header. A file of one sounding or profile ignores the choice.
struct SoundingTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
};
struct SoundingChoice {
    std::optional<long long> index;
    std::optional<SoundingTime> time;
};

struct ProfileReadResult {
    bool ok = false;
    ProfileStore profile;  // filled only when ok
    std::string message;   // why the file was refused, when not ok
    // The rule a refused level broke (none for a file that cannot be read or whose
    // numbers cannot be read).
    std::optional<ValidationFailure> failure;
    // What a reader of a sounding converted, left out or assumed (English, one
    // sentence each), for the callers to show; none for the seasky format.
    std::vector<std::string> notes;
};

// Parses the text of a profile file (or of a sounding file).
ProfileReadResult ParseProfileText(std::string_view text, const SoundingChoice& choice = {});

// Reads the named file (the name is used as given: UTF-8 bytes on Linux). A file
// that cannot be opened gives "Не могу открыть файл\n" followed by the name, one
// that cannot be read "Не могу прочитать файл\n" and the name. Only a regular
// file is read: a pipe or a device is refused without waiting for a writer or
// reading on without end.
ProfileReadResult ReadProfileFile(const std::string& fileName, const SoundingChoice& choice = {});

// Reads the named file into store. On success the store is replaced and the
// result is an empty string; otherwise the store is left untouched and the
// result is the message.
std::string LoadProfileFile(const std::string& fileName, ProfileStore& store);

}  // namespace seasky
