// Radiosonde soundings read as seasky profiles: the University of Wyoming text
// listing and NOAA's Integrated Global Radiosonde Archive version 2 (IGRA 2).
//
// Given:   the lines of a sounding file (LineSource), and for IGRA 2 the
//          sounding wanted (SoundingChoice: the first by default).
// Returns: a ProfileReadResult as ParseProfileText gives it, with notes
//          (English) on what was converted, left out or assumed.
//
// Notes:
//  - Format detection (DetectProfileFormat, used by ReadProfileFile and
//    ParseProfileText, so that the command line's --profile, the window's file
//    dialog and Python read soundings with no new option): IGRA 2 when the
//    first line is a header record: '#', an 11-character station id, a blank
//    and the year in columns 14-17, with blanks in columns 18, 21 and 24;
//    Wyoming when a line among the first 100 (HTML tags at its start removed)
//    begins with the column names PRES HGHT TEMP; otherwise the seasky profile
//    format.
//  - Wyoming (weather.uwyo.edu, "Text: List"): the line of column names (PRES
//    HGHT TEMP DWPT RELH MIXR DRCT SKNT THTA THTE THTV, each right-aligned in a
//    column of 7 characters), the units line (hPa m C C % g/kg ...) and dashes;
//    then one level a line in the same 7-character columns, a blank column a
//    missing value. The levels end at a blank line, a line of dashes, an HTML
//    tag (the page's </PRE>) or "Station information and sounding indices";
//    what follows is not read, but further soundings of the page are counted
//    and noted. Leading HTML tags of a line (<PRE>) are removed.
//  - IGRA 2 (igra2-data-format.txt, v2.0-2.2): header records "#ID YEAR MONTH
//    DAY HOUR RELTIME NUMLEV P_SRC NP_SRC LAT LON" (columns 1, 2-12, 14-17,
//    19-20, 22-23, 25-26, 28-31, 33-36, 38-45, 47-54, 56-62, 64-71), each
//    followed by NUMLEV data records: LVLTYP1 (column 1), LVLTYP2 (2), ETIME
//    (4-8), PRESS (10-15, Pa), PFLAG (16), GPH (17-21, m), ZFLAG (22), TEMP
//    (23-27, 0.1 degrees C), TFLAG (28), RH (29-33, 0.1 %), DPDP (35-39, dew-point
//    depression, 0.1 degrees C), WDIR (41-45), WSPD (47-51); -9999 missing,
//    -8888 removed by the archive's quality assurance (both taken as missing).
//    The quality flags A/B mark values that passed climatological checks; a
//    blank flag is a value not checked, and it is used as given. A file holds
//    many soundings of one station: the first is read, or the one chosen by
//    its position or its nominal date and hour; how many there are is noted.
//  - Heights: both formats give geopotential height (gpm); the geometric
//    height is GeometricHeightFromGeopotential(g0 H) (U.S. Standard Atmosphere
//    1976, atmosphere/humidity.h).
//  - Humidity, in this order of preference:
//      Wyoming: DWPT, else MIXR, else RELH. The dew point is the value the
//        radiosonde report (WMO TEMP) carries, to 0.1 degrees C; the site
//        derives MIXR (rounded to 0.01 g/kg) and RELH (rounded to 1 %) from it,
//        so they are used only where no dew point is listed.
//      IGRA 2: DPDP (dew point = TEMP - DPDP, the reported form), else RH.
//    Vapour pressure by Bolton (1980) over water, then the water-vapour density
//    rho_v = e / (R_v T) (atmosphere/humidity.h).
//  - Levels left out, each kind with a note: without pressure, temperature or
//    height; not above the level before (a repeated height keeps the first);
//    without any humidity below the highest level that has one. Levels above
//    the highest level with humidity (the stratosphere, where sondes stop
//    reporting it) are kept as dry air (0 g/m^3), with a note: the
//    temperature there matters to the oxygen band.
//  - A sounding carries no cloud water: the profile's is 0 (noted). The profile
//    starts at the station's height; above 10 m a note says so (the air below
//    the station is not in the profile).
//  - Structural refusals are English, with the line number; a level's values
//    out of the validation table's range are refused as a profile file's are.
//
// References: University of Wyoming, Department of Atmospheric Science,
// upper-air soundings (weather.uwyo.edu/upperair); Durre, I., X. Yin, R. S.
// Vose, S. Applequist and J. Arnfield, "Enhancing the Data Coverage in the
// Integrated Global Radiosonde Archive", J. Atmos. Oceanic Technol. 35,
// 1753-1770, 2018, and its data format description igra2-data-format.txt;
// D. Bolton, Mon. Wea. Rev. 108, 1046-1053, 1980.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/profile_reader.h"

namespace seasky {

enum class ProfileFormat { seasky, wyoming, igra2 };

// The format of a text from its beginning (at least its first 100 lines or
// 64 KiB).
ProfileFormat DetectProfileFormat(std::string_view head);

// Puts the next line (without its end; a CR before the LF removed) into line
// and returns true; false at the end of the text.
using LineSource = std::function<bool(std::string& line)>;

// A University of Wyoming text listing.
ProfileReadResult ReadWyomingSounding(const LineSource& next);

// One sounding of an IGRA 2 data file.
ProfileReadResult ReadIgra2Sounding(const LineSource& next, const SoundingChoice& choice);

}  // namespace seasky
