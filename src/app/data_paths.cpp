#include "app/data_paths.h"

#include <system_error>

namespace seasky {

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || self.empty()) return {};
    return self.parent_path();
}

std::optional<std::filesystem::path> InstalledDataFolder(std::string_view what,
                                                         const std::filesystem::path& programFolder) {
    if (programFolder.empty()) return std::nullopt;
    std::filesystem::path folder = programFolder;
    for (int up = 0; up < 3; ++up) {
        const std::filesystem::path candidate = folder / "share" / "seasky" / what;
        std::error_code ec;
        if (std::filesystem::is_directory(candidate, ec)) return candidate.lexically_normal();
        if (!folder.has_relative_path()) break;  // the root has no parent
        folder = folder.parent_path();
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> InstalledDataFolder(std::string_view what) {
    return InstalledDataFolder(what, ProgramFolder());
}

}  // namespace seasky
