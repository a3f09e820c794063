#include "app/profile_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <string>

#include "app/sounding_reader.h"
#include "common/number_text.h"

namespace seasky {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The UTF-8 byte-order mark that some editors write at the start of a text.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class ReadStatus { ok, unreadable, outOfRange, tooLong, tooLarge, readError };

// Where the bytes of a profile come from: a text in memory, or a file read a
// block at a time (so that only the unread part of one block and the current
// number are held, whatever the file's size).
class ByteSource {
public:
    explicit ByteSource(std::string_view text) : text_(text) {}
    // A file whose first bytes, head, were already read from fd; at most limit
    // bytes in all are read.
    ByteSource(int fd, std::string head, std::size_t limit)
        : fd_(fd), head_(std::move(head)), limit_(limit), total_(head_.size()) {}

    // Appends the next block to buffer; false at the end (or on an error, then
    // Failed() is true, or past the byte limit, then TooLarge() is true).
    bool Next(std::string& buffer) {
        if (fd_ < 0) {
            if (done_) return false;
            done_ = true;
            buffer.append(text_);
            return !text_.empty();
        }
        if (failed_ || tooLarge_) return false;
        if (!head_.empty()) {
            buffer.append(head_);
            head_.clear();
            return true;
        }
        char block[65536];
        ssize_t n;
        do {
            n = ::read(fd_, block, sizeof block);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            failed_ = true;
            return false;
        }
        if (n == 0) return false;
        total_ += static_cast<std::size_t>(n);
        if (total_ > limit_) {
            tooLarge_ = true;
            return false;
        }
        buffer.append(block, static_cast<std::size_t>(n));
        return true;
    }
    bool Failed() const { return failed_; }
    bool TooLarge() const { return tooLarge_; }

private:
    std::string_view text_;
    int fd_ = -1;
    std::string head_;
    std::size_t limit_ = kMaxProfileFileBytes;
    bool done_ = false;
    bool failed_ = false;
    bool tooLarge_ = false;
    std::size_t total_ = 0;
};

// Sequential reader of the file's tokens.
class TokenReader {
public:
    explicit TokenReader(ByteSource& source) : source_(source) {}

    // Optionally signed decimal integer.
    ReadStatus ReadInteger(long long& value) {
        if (const ReadStatus s = StartToken(); s != ReadStatus::ok) return s;
        std::size_t p = 0;
        const bool negative = Has(p) && At(p) == '-';
        if (Has(p) && (At(p) == '+' || At(p) == '-')) ++p;
        const std::size_t digits = p;
        while (Has(p) && IsDigit(At(p))) {
            if (++p > kMaxNumberLength) return TooLong();
        }
        if (p == digits) return Ended(ReadStatus::unreadable);
        unsigned long long magnitude = 0;
        const auto r = std::from_chars(buffer_.data() + pos_ + digits, buffer_.data() + pos_ + p, magnitude);
        pos_ += p;
        if (r.ec != std::errc() || magnitude > 1000000000000ULL) return ReadStatus::outOfRange;
        value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
        return ReadStatus::ok;
    }

    // Longest prefix of the form [sign] digits [. digits] [(e|E) [sign] digits],
    // with at least one digit before or after the point.
    ReadStatus ReadDouble(double& value) {
        if (const ReadStatus s = StartToken(); s != ReadStatus::ok) return s;
        std::size_t p = 0;
        std::size_t start = 0;
        if (Has(p) && (At(p) == '+' || At(p) == '-')) {
            // from_chars takes a leading '-' but no '+'.
            if (At(p) == '+') ++start;
            ++p;
        }
        std::size_t mantissaDigits = 0;
        while (Has(p) && IsDigit(At(p))) {
            ++mantissaDigits;
            if (++p > kMaxNumberLength) return TooLong();
        }
        if (Has(p) && At(p) == '.') {
            std::size_t q = p + 1;
            std::size_t fraction = 0;
            while (Has(q) && IsDigit(At(q))) {
                ++fraction;
                if (++q > kMaxNumberLength) return TooLong();
            }
            if (mantissaDigits + fraction > 0) {
                p = q;
                mantissaDigits += fraction;
            }
        }
        if (mantissaDigits == 0) return Ended(ReadStatus::unreadable);
        if (Has(p) && (At(p) == 'e' || At(p) == 'E')) {
            std::size_t q = p + 1;
            if (Has(q) && (At(q) == '+' || At(q) == '-')) ++q;
            const std::size_t expDigits = q;
            while (Has(q) && IsDigit(At(q)))
                if (++q > kMaxNumberLength) return TooLong();
            if (q > expDigits) p = q;
        }
        const std::string_view number(buffer_.data() + pos_ + start, p - start);
        const auto r = std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
        const bool negative = number.front() == '-';
        pos_ += p;
        if (r.ec == std::errc::result_out_of_range) {
            // Decided by the decimal value, not by the digits' count: a leading
            // digit at 10^0 or above that does not fit is too large; one below is
            // too small to represent and reads as zero.
            if (LeadingDigitExponent(number) < 0) {
                value = negative ? -0.0 : 0.0;
                return ReadStatus::ok;
            }
            return ReadStatus::outOfRange;
        }
        return r.ec == std::errc() ? ReadStatus::ok : ReadStatus::unreadable;
    }

    // Skips a UTF-8 byte-order mark at the start of the text.
    void SkipByteOrderMark() {
        for (std::size_t i = 0; i < kByteOrderMark.size(); ++i)
            if (!Has(i) || At(i) != kByteOrderMark[i]) return;
        pos_ += kByteOrderMark.size();
    }

private:
    // Skips white space, and drops what has been read once it is most of the
    // buffer (so that the buffer stays about one block long, in linear time).
    ReadStatus StartToken() {
        while (true) {
            while (pos_ < buffer_.size() && IsSpace(buffer_[pos_])) ++pos_;
            if (pos_ < buffer_.size()) break;
            buffer_.clear();
            pos_ = 0;
            if (!source_.Next(buffer_)) return Ended(ReadStatus::unreadable);
        }
        if (pos_ >= 65536 && 2 * pos_ >= buffer_.size()) {
            buffer_.erase(0, pos_);
            pos_ = 0;
        }
        return ReadStatus::ok;
    }
    // True when the token's character at offset p (from the token's start) exists.
    bool Has(std::size_t p) {
        while (pos_ + p >= buffer_.size())
            if (!source_.Next(buffer_)) return false;
        return true;
    }
    char At(std::size_t p) const { return buffer_[pos_ + p]; }
    ReadStatus TooLong() { return ReadStatus::tooLong; }
    // An unreadable token, or the reason the source stopped.
    ReadStatus Ended(ReadStatus status) const {
        if (source_.Failed()) return ReadStatus::readError;
        if (source_.TooLarge()) return ReadStatus::tooLarge;
        return status;
    }

    ByteSource& source_;
    std::string buffer_;
    std::size_t pos_ = 0;
};

// The refusal of a pipe, a device or a socket, followed by the file's name.
constexpr const char* kNotARegularFile =
    "Ошибка в файле профиля: это не обычный файл (канал, устройство или сокет), профиль читается только из файла: ";

constexpr const char* kFileSubject = kProfileFileSubject;

// The names of the five numbers of a level, in the order of the file.
constexpr const char* kQuantityNames[5] = {"высота", "температура воздуха", "давление", "абсолютная влажность",
                                           "водность облаков"};

ProfileReadResult Refuse(std::string message) {
    ProfileReadResult result;
    result.message = std::move(message);
    return result;
}

// The refusal of a file larger than any of its format.
ProfileReadResult TooLarge(ProfileFormat format, const std::string& fileName) {
    if (format != ProfileFormat::seasky)
        return Refuse("Sounding file larger than " + std::to_string(kMaxSoundingFileBytes / (1024 * 1024)) +
                      " MiB: " + fileName);
    return Refuse("Ошибка в файле профиля: файл больше " + std::to_string(kMaxProfileFileBytes / (1024 * 1024)) +
                  " МБ, такого профиля не бывает: " + fileName);
}

std::string LevelPrefix(int level, int quantity) {
    return std::string(kFileSubject) + ": уровень " + std::to_string(level) + ", " + kQuantityNames[quantity];
}

}  // namespace

namespace {

// The profile of the bytes of source; fileName names the file in messages.
ProfileReadResult Parse(ByteSource& source, const std::string& fileName) {
    TokenReader reader(source);
    reader.SkipByteOrderMark();
    // Refusals that are the file's, not a number's.
    auto fileRefusal = [&fileName](ReadStatus status) -> std::optional<ProfileReadResult> {
        if (status == ReadStatus::readError) return Refuse("Не могу прочитать файл\n" + fileName);
        if (status == ReadStatus::tooLarge)
            return TooLarge(ProfileFormat::seasky, fileName);
        return std::nullopt;
    };
    long long count = 0;
    const ReadStatus countStatus = reader.ReadInteger(count);
    if (std::optional<ProfileReadResult> refused = fileRefusal(countStatus)) return *refused;
    if (countStatus == ReadStatus::unreadable || countStatus == ReadStatus::tooLong)
        return Refuse(
            "Ошибка в файле профиля: не удалось прочитать число уровней (первое число файла). Файл не похож и на "
            "зондирование: список University of Wyoming (строка столбцов PRES HGHT TEMP ...) или IGRA 2 (первая "
            "строка - заголовок #...).");
    if (countStatus == ReadStatus::outOfRange || !IsAccepted(Checked::LevelCount, static_cast<double>(count))) {
        ProfileReadResult refused = Refuse(LevelCountRefusal(
            kFileSubject, countStatus == ReadStatus::ok ? std::to_string(count) : std::string("слишком велико")));
        refused.failure = Check(Checked::LevelCount, countStatus == ReadStatus::ok ? static_cast<double>(count)
                                                                                  : kNoBound);
        refused.failure->message = refused.message;
        return refused;
    }

    ProfileStore store;
    store.levelCount = static_cast<int>(count);
    std::vector<double>* columns[5] = {&store.height, &store.airTemperature, &store.pressure,
                                       &store.absoluteHumidity, &store.cloudWater};
    for (auto* column : columns) column->resize(store.levelCount);

    for (int i = 0; i < store.levelCount; ++i) {
        const int level = i + 1;
        for (int q = 0; q < 5; ++q) {
            double value = 0.0;
            const ReadStatus status = reader.ReadDouble(value);
            if (std::optional<ProfileReadResult> refused = fileRefusal(status)) return *refused;
            if (status == ReadStatus::unreadable)
                return Refuse(LevelPrefix(level, q) +
                              ": не удалось прочитать число (конец файла или не число; "
                              "дробная часть отделяется точкой).");
            if (status == ReadStatus::tooLong)
                return Refuse(LevelPrefix(level, q) + ": число длиннее " + std::to_string(kMaxNumberLength) +
                              " знаков.");
            if (status == ReadStatus::outOfRange || !std::isfinite(value))
                return Refuse(LevelPrefix(level, q) + ": значение слишком велико.");
            (*columns[q])[i] = value;
        }
        const std::optional<ValidationFailure> failure = CheckLevel(
            {store.height[i], store.airTemperature[i], store.pressure[i], store.absoluteHumidity[i], store.cloudWater[i]},
            level);
        if (failure) {
            ProfileReadResult refused = Refuse(LevelRefusal(kFileSubject, *failure, store.cloudWater[i]));
            refused.failure = failure;
            refused.failure->message = refused.message;
            return refused;
        }
    }
    // Anything after the last level is left unread.
    ProfileReadResult result;
    result.ok = true;
    result.profile = std::move(store);
    return result;
}

// Closes a file descriptor when it goes out of scope.
struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

namespace {

// Lines of a byte source, for the sounding readers.
class LineReader {
public:
    explicit LineReader(ByteSource& source) : source_(source) {}

    bool Next(std::string& line) {
        while (true) {
            const std::size_t end = buffer_.find('\n', pos_);
            if (end != std::string::npos) return Take(line, end, end + 1);
            if (buffer_.size() - pos_ > kMaxLineLength) {
                tooLong_ = true;
                return false;
            }
            buffer_.erase(0, pos_);
            pos_ = 0;
            if (!source_.Next(buffer_)) return pos_ < buffer_.size() && Take(line, buffer_.size(), buffer_.size());
        }
    }
    bool TooLong() const { return tooLong_; }

private:
    // No line of a sounding file is nearly this long.
    static constexpr std::size_t kMaxLineLength = 65536;

    bool Take(std::string& line, std::size_t end, std::size_t next) {
        line.assign(buffer_, pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first_ && line.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) line.erase(0, kByteOrderMark.size());
        first_ = false;
        pos_ = next;
        return true;
    }

    ByteSource& source_;
    std::string buffer_;
    std::size_t pos_ = 0;
    bool first_ = true;
    bool tooLong_ = false;
};

// The bytes of source read as a sounding of the given format; fileName names
// the file in the refusals of reading.
ProfileReadResult ParseSounding(ProfileFormat format, ByteSource& source, const SoundingChoice& choice,
                                const std::string& fileName) {
    LineReader lines(source);
    const LineSource next = [&lines](std::string& line) { return lines.Next(line); };
    ProfileReadResult result =
        format == ProfileFormat::wyoming ? ReadWyomingSounding(next) : ReadIgra2Sounding(next, choice);
    if (source.Failed()) return Refuse("Не могу прочитать файл\n" + fileName);
    if (source.TooLarge())
        return TooLarge(format, fileName);
    if (lines.TooLong()) return Refuse("Not a sounding file: a line is longer than 64 KiB.");
    return result;
}

// The first block of a file (64 KiB, or all of a shorter file), for the format's detection.
bool ReadHead(int fd, std::string& head) {
    char block[65536];
    while (head.size() < sizeof block) {
        const ssize_t n = ::read(fd, block, sizeof block - head.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        head.append(block, static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

ProfileReadResult ParseProfileText(std::string_view text, const SoundingChoice& choice) {
    ByteSource source(text);
    const ProfileFormat format = DetectProfileFormat(text.substr(0, 65536));
    if (format != ProfileFormat::seasky) return ParseSounding(format, source, choice, "(text)");
    return Parse(source, "(text)");
}

ProfileReadResult ReadProfileFile(const std::string& fileName, const SoundingChoice& choice) {
    // Opened without waiting: a FIFO opened for reading would otherwise wait
    // for a writer, and no signal ends that wait in a program that handles them.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    const FileCloser closer{fd};
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) return Refuse("Не могу открыть файл\n" + fileName);
    if (!S_ISREG(info.st_mode)) return Refuse(std::string(kNotARegularFile) + fileName);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return Refuse("Не могу прочитать файл\n" + fileName);
    // The format from the first block; a file larger than any profile (or
    // sounding file) of its format is refused before the rest is read.
    std::string head;
    if (!ReadHead(fd, head)) return Refuse("Не могу прочитать файл\n" + fileName);
    const ProfileFormat format = DetectProfileFormat(head);
    const std::size_t limit = format == ProfileFormat::seasky ? kMaxProfileFileBytes : kMaxSoundingFileBytes;
    if (static_cast<unsigned long long>(info.st_size) > limit) return TooLarge(format, fileName);
    ByteSource source(fd, std::move(head), limit);
    if (format != ProfileFormat::seasky) return ParseSounding(format, source, choice, fileName);
    return Parse(source, fileName);
}

std::string LoadProfileFile(const std::string& fileName, ProfileStore& store) {
    ProfileReadResult result = ReadProfileFile(fileName);
    if (!result.ok) return result.message;
    store = std::move(result.profile);
    return {};
}

}  // namespace seasky
