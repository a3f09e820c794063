// The input files of a batch run (scene files, the profiles they name, sensor
// files) must be regular files. Opening a FIFO for reading waits until a writer
// opens it, and neither Ctrl-C nor SIGTERM ends that wait while the run's own
// handlers catch them; a device may never end. So what is not a regular file is
// refused before it is opened.
#pragma once

#include <optional>
#include <string>

namespace seasky {

// Why path cannot be an input file (English, naming the role and the path):
// it exists and is a pipe, a device, a socket or a folder. Nothing when it is a
// regular file, and nothing when it does not exist or cannot be examined (its
// opening then fails with its own message).
std::optional<std::string> NotARegularFile(const std::string& path, const std::string& role);

}  // namespace seasky
