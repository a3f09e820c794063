#include "app/profile_reader.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "common/number_text.h"

namespace seasky {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

enum class ReadStatus { ok, unreadable, outOfRange };

// Sequential reader of the file's tokens.
class TokenReader {
public:
    explicit TokenReader(std::string_view text) : text_(text) {}

    // Optionally signed decimal integer.
    ReadStatus ReadInteger(long long& value) {
        SkipSpace();
        std::size_t p = pos_;
        const bool negative = p < text_.size() && text_[p] == '-';
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
        const std::size_t digits = p;
        while (p < text_.size() && IsDigit(text_[p])) ++p;
        if (p == digits) return ReadStatus::unreadable;
        unsigned long long magnitude = 0;
        const auto r = std::from_chars(text_.data() + digits, text_.data() + p, magnitude);
        pos_ = p;
        if (r.ec != std::errc() || magnitude > 1000000000000ULL) return ReadStatus::outOfRange;
        value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
        return ReadStatus::ok;
    }

    // Longest prefix of the form [sign] digits [. digits] [(e|E) [sign] digits],
    // with at least one digit before or after the point.
    ReadStatus ReadDouble(double& value) {
        SkipSpace();
        std::size_t p = pos_;
        std::size_t start = p;
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) {
            // from_chars takes a leading '-' but no '+'.
            if (text_[p] == '+') ++start;
            ++p;
        }
        std::size_t mantissaDigits = 0;
        while (p < text_.size() && IsDigit(text_[p])) { ++p; ++mantissaDigits; }
        if (p < text_.size() && text_[p] == '.') {
            std::size_t q = p + 1;
            std::size_t fraction = 0;
            while (q < text_.size() && IsDigit(text_[q])) { ++q; ++fraction; }
            if (mantissaDigits + fraction > 0) { p = q; mantissaDigits += fraction; }
        }
        if (mantissaDigits == 0) return ReadStatus::unreadable;
        bool negativeExponent = false;
        if (p < text_.size() && (text_[p] == 'e' || text_[p] == 'E')) {
            std::size_t q = p + 1;
            if (q < text_.size() && (text_[q] == '+' || text_[q] == '-')) { negativeExponent = text_[q] == '-'; ++q; }
            const std::size_t expDigits = q;
            while (q < text_.size() && IsDigit(text_[q])) ++q;
            if (q > expDigits) p = q;
            else negativeExponent = false;
        }
        const auto r = std::from_chars(text_.data() + start, text_.data() + p, value, std::chars_format::general);
        pos_ = p;
        if (r.ec == std::errc::result_out_of_range) {
            // Too small to represent reads as zero; too large is refused.
            if (negativeExponent) { value = text_[start] == '-' ? -0.0 : 0.0; return ReadStatus::ok; }
            return ReadStatus::outOfRange;
        }
        return r.ec == std::errc() ? ReadStatus::ok : ReadStatus::unreadable;
    }

private:
    void SkipSpace() { while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_; }

    std::string_view text_;
    std::size_t pos_ = 0;
};

constexpr const char* kQuantityNames[5] = {"высота", "температура воздуха", "давление", "абсолютная влажность",
                                           "водность облаков"};

ProfileReadResult Refuse(std::string message) {
    ProfileReadResult result;
    result.message = std::move(message);
    return result;
}

std::string LevelPrefix(int level, int quantity) {
    return "Ошибка в файле профиля: уровень " + std::to_string(level) + ", " + kQuantityNames[quantity];
}

// The column of the file a level rule checks.
int ColumnOf(Checked quantity) {
    switch (quantity) {
        case Checked::Height:
            return 0;
        case Checked::AirTemperature:
            return 1;
        case Checked::Pressure:
            return 2;
        case Checked::Humidity:
            return 3;
        default:
            return 4;  // cloud water, and liquid cloud water in cold air
    }
}

// "Ошибка в файле профиля: уровень N, <quantity>: <value> <unit>, <rule>"; for
// cloud water in cold air the water and the temperature are both named.
std::string LevelMessage(const ValidationFailure& f, double cloudWater) {
    const CheckedQuantity& q = QuantityOf(*f.quantity);
    std::string text = LevelPrefix(f.level, ColumnOf(*f.quantity)) + ": ";
    if (*f.quantity == Checked::LiquidCloudTemperature)
        return text + FormatGeneral(cloudWater, '.') + " г/м^3 при температуре воздуха " + FormatGeneral(f.value, '.') +
               " " + q.levelUnit + "; " + q.levelRule;
    text += FormatGeneral(f.value, '.');
    if (*q.levelUnit != '\0') text += std::string(" ") + q.levelUnit;
    return text + ", " + q.levelRule;
}

}  // namespace

ProfileReadResult ParseProfileText(std::string_view text) {
    TokenReader reader(text);
    long long count = 0;
    const ReadStatus countStatus = reader.ReadInteger(count);
    if (countStatus == ReadStatus::unreadable)
        return Refuse("Ошибка в файле профиля: не удалось прочитать число уровней (первое число файла).");
    const CheckedQuantity& levels = QuantityOf(Checked::LevelCount);
    if (countStatus == ReadStatus::outOfRange || !IsAccepted(Checked::LevelCount, static_cast<double>(count))) {
        ProfileReadResult refused =
            Refuse("Ошибка в файле профиля: число уровней " +
                   (countStatus == ReadStatus::ok ? std::to_string(count) : std::string("слишком велико")) +
                   ", допустимо от " + FormatGeneral(levels.lower, '.') + " до " + FormatGeneral(levels.upper, '.') +
                   ".");
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
            if (status == ReadStatus::unreadable)
                return Refuse(LevelPrefix(level, q) +
                              ": не удалось прочитать число (конец файла или не число; "
                              "дробная часть отделяется точкой).");
            if (status == ReadStatus::outOfRange || !std::isfinite(value))
                return Refuse(LevelPrefix(level, q) + ": значение слишком велико.");
            (*columns[q])[i] = value;
        }
        const std::optional<ValidationFailure> failure = CheckLevel(
            {store.height[i], store.airTemperature[i], store.pressure[i], store.absoluteHumidity[i], store.cloudWater[i]},
            level);
        if (failure) {
            ProfileReadResult refused = Refuse(LevelMessage(*failure, store.cloudWater[i]));
            refused.failure = failure;
            refused.failure->message = refused.message;
            return refused;
        }
    }
    ProfileReadResult result;
    result.ok = true;
    result.profile = std::move(store);
    return result;
}

ProfileReadResult ReadProfileFile(const std::string& fileName) {
    const std::filesystem::path path(fileName);
    std::error_code ec;
    std::ifstream in;
    if (!std::filesystem::is_directory(path, ec)) in.open(path, std::ios::binary);
    if (!in.is_open()) return Refuse("Не могу открыть файл\n" + fileName);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Refuse("Не могу открыть файл\n" + fileName);
    return ParseProfileText(text);
}

std::string LoadProfileFile(const std::string& fileName, ProfileStore& store) {
    ProfileReadResult result = ReadProfileFile(fileName);
    if (!result.ok) return result.message;
    store = std::move(result.profile);
    return {};
}

}  // namespace seasky
