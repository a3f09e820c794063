// Standard atmospheres bundled with the program.
//
// The six AFGL climatologies of Anderson et al. (1986), "AFGL Atmospheric
// Constituent Profiles (0-120 km)", AFGL-TR-86-0110, on their own levels from 0 to
// 50 km, plus a cloudy variant of the tropical one, each held as the text of a
// profile file (readable with ParseProfileText). The texts are byte for byte the
// files data/profiles/<name>.txt; both are written by
// tools/make_standard_atmospheres.py (see data/profiles/README.md).
#pragma once

#include <span>
#include <string_view>

namespace seasky {

struct StandardAtmosphere {
    std::string_view name;         // e.g. "tropical", also the file name without ".txt"
    std::string_view description;  // one line in English
    std::string_view text;         // the profile file text
};

// All bundled atmospheres in a fixed order: tropical, midlatitude-summer,
// midlatitude-winter, subarctic-summer, subarctic-winter, us-standard,
// tropical-cloudy.
std::span<const StandardAtmosphere> StandardAtmospheres();

// The atmosphere of that exact name, or nullptr if there is none.
const StandardAtmosphere* FindStandardAtmosphere(std::string_view name);

// The atmosphere used when none is chosen.
inline constexpr std::string_view kDefaultAtmosphere = "midlatitude-summer";

}  // namespace seasky
