// Line charts written to PNG or SVG files with Qt Charts, drawn offscreen, for
// the command line and other tools that have no window.
#pragma once

#include <string>
#include <vector>

namespace seasky::plot {

struct Series {
    std::string name;          // legend entry, e.g. "V", "H"
    std::vector<double> x, y;  // same length
};

struct Chart {
    std::string title;         // may be empty
    std::string xLabel;        // axis title with unit, e.g. "Frequency (GHz)"
    std::string yLabel;        // e.g. "Brightness temperature (K)"
    std::vector<Series> series;
};

// Draws the chart offscreen and writes it to path: PNG when the name ends in
// ".png", SVG when it ends in ".svg" (case-insensitive); width x height pixels.
// Returns an empty string on success, otherwise a one-line message (unknown
// extension, empty chart, mismatched x/y lengths, a value that is not finite, a
// size outside 64..8192 pixels, file not writable). Never leaves a partial file:
// the chart is written to a temporary file in the same folder and renamed.
//
// Texts are plain text (no markup), UTF-8. Each series is a line 2 pixels wide:
// a series named "V" is blue (#1f77b4), one named "H" red (#d62728); the other
// series take, in turn, the first of blue, red, green (#2ca02c), orange
// (#ff7f0e), purple (#9467bd), brown (#8c564b), pink (#e377c2), grey (#7f7f7f),
// olive (#bcbd22), cyan (#17becf) not yet used; beyond ten series the colours are
// reused with dashed lines. The legend is shown, at the top,
// only when there is more than one series. Axis numbers use a decimal point
// whatever the locale.
//
// Works without a display and without an application object: if there is no
// QApplication, one is created for the duration of the call (with the offscreen
// platform when neither DISPLAY nor WAYLAND_DISPLAY nor QT_QPA_PLATFORM is set),
// and the C locale, which the first application of a process sets from the
// environment, is restored afterwards.
// If an application exists, it is used; the call must then come from its thread.
// May be called any number of times.
std::string WriteChart(const Chart& chart, const std::string& path, int width = 900, int height = 560);

}  // namespace seasky::plot
