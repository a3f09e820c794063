#include "batch/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <limits>

namespace seasky {

namespace {

namespace fs = std::filesystem;

// Left on a file system below which a write failure without errno counts as a
// full disk: about two compressed chunks of a NetCDF output.
constexpr unsigned long long kNearlyFullBytes = 2ull << 20;

// The longest file name (NAME_MAX) and what a temporary adds to the output's:
// ".", ".part-", a PID of up to 10 digits, "-XXXXXX".
constexpr std::size_t kNameMax = 255;
constexpr std::size_t kTemporaryExtra = 1 + 6 + 10 + 7;

// The names of the temporary file and of the reserve in the private folder.
constexpr const char* kFile = "file";
constexpr const char* kReserve = "reserve";

std::string FolderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

std::string BaseOf(const std::string& path) { return fs::path(path).filename().string(); }

// True while a process of that PID runs (or exists under another user).
bool Runs(long pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

// The PID of a temporary's name "<prefix><PID>-XXXXXX", or 0 when the name is not one.
long PidOfTemporary(std::string_view name, std::string_view prefix) {
    if (name.substr(0, prefix.size()) != prefix) return 0;
    const std::string_view rest = name.substr(prefix.size());
    long pid = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
    const std::size_t digits = static_cast<std::size_t>(end - rest.data());
    if (ec != std::errc() || digits == 0 || rest.size() != digits + 7 || rest[digits] != '-' || pid <= 0 ||
        pid > std::numeric_limits<pid_t>::max())
        return 0;
    return pid;
}

// The entries of an open folder, but "." and "..".
std::vector<std::string> EntriesOf(int folderFd) {
    std::vector<std::string> names;
    const int listFd = ::dup(folderFd);
    if (listFd < 0) return names;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
        ::close(listFd);
        return names;
    }
    ::rewinddir(dir);  // the offset is shared with folderFd
    while (const dirent* e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    ::closedir(dir);
    return names;
}

// Removes the temporary folder name of folderFd when it is a folder (not a
// link) of this user whose run is over: its process gone and its lock free.
// Its entries are unlinked by name, so that a link in it is removed, never
// followed; a folder within it is left (and with it the temporary folder).
void RemoveIfStale(int folderFd, const std::string& name, long pid) {
    if (Runs(pid)) return;
    const int fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        for (const std::string& entry : EntriesOf(fd)) ::unlinkat(fd, entry.c_str(), 0);
        ::unlinkat(folderFd, name.c_str(), AT_REMOVEDIR);
    }
    ::close(fd);
}

std::string Reason(int error) { return error != 0 ? std::strerror(error) : "unknown error"; }

std::string ErrorText(OutputFileError::Step step, const std::string& path, int error) {
    if (step == OutputFileError::Step::Create && error != ENOSPC && error != EDQUOT)
        return "Cannot create " + path + ": " + Reason(error);
    return WriteFailureText(path, error, Reason(error));
}

}  // namespace

std::optional<std::string> SameFileAmong(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (fs::equivalent(output, input, ec) && !ec) return input;
    }
    return std::nullopt;
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool IsDiskFull(int error, const std::string& path) {
    if (error == ENOSPC || error == EDQUOT) return true;
    if (error != 0) return false;
    struct statvfs space {};
    if (::statvfs(FolderOf(path).c_str(), &space) != 0) return false;
    return static_cast<unsigned long long>(space.f_bavail) * space.f_frsize < kNearlyFullBytes;
}

OutputFileError::OutputFileError(Step s, const std::string& p, int e)
    : std::runtime_error(ErrorText(s, p, e)), step(s), path(p), error(e), diskFull(IsDiskFull(e, p)) {}

std::string WriteFailureText(const std::string& path, int error, const std::string& why) {
    if (IsDiskFull(error, path)) return "Cannot write " + path + ": disk full (no space left on the device)";
    return "Cannot write " + path + ": " + why;
}

int WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

std::string TemporaryPrefix(const std::string& path) {
    std::string base = BaseOf(path);
    if (base.size() > kNameMax - kTemporaryExtra) base.resize(kNameMax - kTemporaryExtra);
    return "." + base + ".part-";
}

void RemoveStaleTemporaries(const std::string& path) {
    const int folderFd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return;
    const std::string prefix = TemporaryPrefix(path);
    for (const std::string& name : EntriesOf(folderFd))
        if (const long pid = PidOfTemporary(name, prefix); pid > 0 && pid != ::getpid())
            RemoveIfStale(folderFd, name, pid);
    ::close(folderFd);
}

TemporaryOutput::TemporaryOutput(const std::string& path) : output_(path) {
    using Step = OutputFileError::Step;
    if (BaseOf(path).empty() || IsFolder(path)) throw OutputFileError(Step::Create, path, EISDIR);
    RemoveStaleTemporaries(path);
    std::string name = (fs::path(FolderOf(path)) / TemporaryPrefix(path)).string();
    name += std::to_string(::getpid()) + "-XXXXXX";
    if (::mkdtemp(name.data()) == nullptr) throw OutputFileError(Step::Create, path, errno);
    folder_ = name;
    folderFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd_ < 0) {
        const int error = errno;
        ::rmdir(folder_.c_str());
        throw OutputFileError(Step::Create, path, error);
    }
    // Held until the process ends: a later run sees the folder in use. Where
    // the file system has no locks, later runs cannot take it either and leave
    // the folder alone.
    ::flock(folderFd_, LOCK_EX | LOCK_NB);
    file_ = folder_ + "/" + kFile;
}

TemporaryOutput::~TemporaryOutput() {
    if (!done_) Abandon();
}

void TemporaryOutput::Open() {
    fileFd_ = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fileFd_ < 0) throw OutputFileError(OutputFileError::Step::Create, output_, errno);
}

void TemporaryOutput::Write(std::string_view data) {
    if (const int error = WriteAll(fileFd_, data); error != 0)
        throw OutputFileError(OutputFileError::Step::Write, output_, error);
}

void TemporaryOutput::Reserve(unsigned long long bytes) {
    using Step = OutputFileError::Step;
    if (bytes == 0) return;
    const int fd = ::openat(folderFd_, kReserve, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) throw OutputFileError(Step::Write, output_, errno);
    reserved_ = true;
    const int error = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes));
    ::close(fd);
    if (error != 0) {
        Release();
        throw OutputFileError(Step::Write, output_, error);
    }
}

void TemporaryOutput::Release() {
    if (reserved_ && folderFd_ >= 0) ::unlinkat(folderFd_, kReserve, 0);
    reserved_ = false;
}

void TemporaryOutput::Commit() {
    using Step = OutputFileError::Step;
    Release();
    const int fd = fileFd_ >= 0 ? fileFd_ : ::open(file_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) throw OutputFileError(Step::Complete, output_, errno);
    // On the disk before it takes the output's name, so that a crash cannot
    // leave an empty file in place of the old one.
    const int synced = ::fsync(fd) == 0 ? 0 : errno;
    const int closed = ::close(fd) == 0 ? 0 : errno;  // NFS reports failed writes here
    fileFd_ = -1;
    if (synced != 0 || closed != 0) throw OutputFileError(Step::Complete, output_, synced != 0 ? synced : closed);
    if (::renameat(folderFd_, kFile, AT_FDCWD, output_.c_str()) != 0)
        throw OutputFileError(Step::Complete, output_, errno);
    ::rmdir(folder_.c_str());
    ::close(folderFd_);
    folderFd_ = -1;
    done_ = true;
}

void TemporaryOutput::Abandon() {
    if (done_) return;
    if (fileFd_ >= 0) ::close(fileFd_);
    fileFd_ = -1;
    Release();
    if (folderFd_ >= 0) {
        ::unlinkat(folderFd_, kFile, 0);
        ::rmdir(folder_.c_str());
        ::close(folderFd_);
    }
    folderFd_ = -1;
    done_ = true;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

}  // namespace seasky
