// Output files of batch runs and sweeps, written so that nothing is lost:
//
// - an output that is one of the run's input files (by any name: a symbolic
//   link, a hard link, another path) is refused before anything is computed;
// - the results go to a temporary file that replaces the output (an existing
//   file of that name is replaced, as a shell redirection would) only when it is
//   complete, by rename(2) within the output's folder;
// - the temporary file ("file") lies in a private folder
//   ".NAME.part-PID-XXXXXX" made by mkdtemp(3) beside the output: the folder is
//   new (mkdtemp fails rather than reuse a name), mode 0700 and owned by this
//   process's user, so that no other user can plant a symbolic link or a file
//   in it. A file opened there by name (also by the netCDF library, which takes
//   a path) is the run's own, and the finished file has the permissions of any
//   created file (0666 less the umask);
// - the run holds an flock(2) on its private folder while it lives; a later run
//   of the same output removes the folders of runs that were killed (their
//   process gone and their lock free), never one of a live run, and never
//   follows a symbolic link while doing so.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace seasky {

// The first of inputs that is the same file as output (same device and inode:
// through symbolic links, hard links and different paths), if any. Inputs that
// do not exist are skipped; so is everything when output does not exist.
std::optional<std::string> SameFileAmong(const std::string& output, const std::vector<std::string>& inputs);

// True when path names an existing folder (a file cannot replace it).
bool IsFolder(const std::string& path);

// True when a write that failed with errno error into the folder of path failed
// for want of space: ENOSPC or EDQUOT, or (when the library that wrote gave no
// usable errno) less than 2 MiB left to this user on that file system.
bool IsDiskFull(int error, const std::string& path);

// A failure to create, write or complete an output file.
struct OutputFileError : std::runtime_error {
    enum class Step { Create, Write, Complete };
    OutputFileError(Step step, const std::string& path, int error);
    Step step;
    std::string path;  // the output's name (not the temporary's)
    int error;         // errno
    bool diskFull;     // IsDiskFull(error, path)
};

// The English text of a failed write of path: "Cannot write PATH: disk full
// (no space left on the device)" or "Cannot write PATH: <why>".
std::string WriteFailureText(const std::string& path, int error, const std::string& why);

// Writes all of data to fd (retrying short writes and EINTR); 0 or the errno.
int WriteAll(int fd, std::string_view data);

// The name every temporary of path starts with: ".NAME.part-" (NAME cut so that
// a temporary's name stays within the 255 bytes a file name may have).
std::string TemporaryPrefix(const std::string& path);

// Removes the temporaries of path that runs which no longer live left behind
// (see above). Errors are ignored: a temporary that cannot be removed stays.
void RemoveStaleTemporaries(const std::string& path);

// The temporary file of one output; see above. Not copyable.
class TemporaryOutput {
public:
    // Removes stale temporaries of path, then makes the private folder; throws
    // OutputFileError (Create).
    explicit TemporaryOutput(const std::string& path);
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    // The temporary file's path, inside the private folder. Create it by this
    // name (nc_create), or with Open.
    const std::string& File() const { return file_; }
    const std::string& Output() const { return output_; }
    // Creates File() (O_CREAT | O_EXCL | O_NOFOLLOW) for Write; throws OutputFileError (Create).
    void Open();
    // Appends to the file opened by Open; throws OutputFileError (Write).
    void Write(std::string_view data);
    // Keeps bytes of the file system for the temporary (a file of that size in
    // the private folder, allocated with posix_fallocate), to be given back by
    // Release just before the last writes: a library that must complete its
    // file (HDF5 flushing its caches at nc_close) then finds the room even when
    // the disk filled meanwhile. Throws OutputFileError (Write; a full disk).
    void Reserve(unsigned long long bytes);
    void Release();
    // Flushes File() to the disk and renames it to the output; throws OutputFileError (Complete).
    void Commit();
    // Removes the temporary file and its folder (done by the destructor unless committed).
    void Abandon();

private:
    std::string output_, folder_, file_;
    int folderFd_ = -1;  // the private folder, locked
    int fileFd_ = -1;    // the file opened by Open
    bool reserved_ = false;
    bool done_ = false;
};

// A CSV field as RFC 4180 writes it: as it is, or (when it holds a comma, a
// double quote, a carriage return or a line feed) in double quotes with every
// double quote doubled.
std::string CsvField(std::string_view text);

}  // namespace seasky
