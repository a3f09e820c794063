#include "batch/input_file.h"

#include <sys/stat.h>

namespace seasky {

std::optional<std::string> NotARegularFile(const std::string& path, const std::string& role) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return std::nullopt;
    const char* kind = S_ISFIFO(info.st_mode)                            ? "a pipe (FIFO)"
                       : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                       : S_ISDIR(info.st_mode)                          ? "a folder"
                       : S_ISSOCK(info.st_mode)                         ? "a socket"
                                                                        : "not a file";
    return role + " " + path + " is " + kind + ", not a regular file: give a file";
}

}  // namespace seasky
