// Where seasky's data files (the standard atmospheres, the sensor presets) are
// found at run time. An installation keeps them in <prefix>/share/seasky and its
// programs in <prefix>/bin; the build tree holds a copy in <build>/share/seasky
// beside its programs. Both are found relative to the running program, so that
// a moved installation still finds its own data and no build-machine path is
// compiled in.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace seasky {

// The folder of the running program (from /proc/self/exe); empty when unknown.
std::filesystem::path ProgramFolder();

// <ancestor>/share/seasky/<what> for the nearest of the program's folder, its
// parent and its grandparent that holds that folder: <prefix>/share for
// <prefix>/bin/program, <build>/share for a program at the top of a build tree
// or two folders below it (the tests). Nothing when none holds it.
std::optional<std::filesystem::path> InstalledDataFolder(std::string_view what);

// The same search starting from the folder programFolder, for tests.
std::optional<std::filesystem::path> InstalledDataFolder(std::string_view what,
                                                         const std::filesystem::path& programFolder);

}  // namespace seasky
