// Reading profile files: the format's rules and every refusal.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/profile_reader.h"
#include "fifo_file.h"
#include "test_support.h"

namespace seasky {
namespace {

const char* const kExample =
    "3\n"
    "0 288.15 1013.25 11.5 0\n"
    "1000 281.65 898.76 7.1 0.2\n"
    "2000 275.15 795.01 4.3 0\n";

void ExpectExample(const ProfileReadResult& r) {
    ASSERT_TRUE(r.ok) << r.message;
    const ProfileStore& s = r.profile;
    ASSERT_EQ(s.levelCount, 3);
    EXPECT_EQ(s.height, (std::vector<double>{0, 1000, 2000}));
    EXPECT_EQ(s.airTemperature, (std::vector<double>{288.15, 281.65, 275.15}));
    EXPECT_EQ(s.pressure, (std::vector<double>{1013.25, 898.76, 795.01}));
    EXPECT_EQ(s.absoluteHumidity, (std::vector<double>{11.5, 7.1, 4.3}));
    EXPECT_EQ(s.cloudWater, (std::vector<double>{0, 0.2, 0}));
}

// The message of a refused text; fails the test if the text was accepted.
std::string Refusal(const std::string& text) {
    const ProfileReadResult r = ParseProfileText(text);
    EXPECT_FALSE(r.ok) << text;
    EXPECT_EQ(r.profile.levelCount, 0);
    return r.message;
}

TEST(ProfileReader, ExampleFileAndItsEquivalentLayouts) {
    ExpectExample(ParseProfileText(kExample));
    // Line breaks carry no meaning; any white space separates.
    ExpectExample(ParseProfileText("3 0 288.15 1013.25 11.5 0 1000 281.65 898.76 7.1 0.2 2000 275.15 795.01 4.3 0"));
    ExpectExample(ParseProfileText("3\r\n0\t288.15\t1013.25\t11.5\t0\r\n1000\t281.65\t898.76\t7.1\t.2\v\f"
                                   "2e3 +275.15 795.01 4.3E0 -0\r\n"));
    // Anything after the last level is ignored.
    ExpectExample(ParseProfileText(std::string(kExample) + "4000 260 600 1 0\nend of data, 1,5 !"));
    // A read takes the longest number prefix and leaves the rest of the token:
    // "1000.5.5" is the pressure 1000.5 followed by the humidity .5.
    const ProfileReadResult glued = ParseProfileText("2\n0 288 1013 10 0\n100 287 1000.5.5 0.2x");
    ASSERT_TRUE(glued.ok) << glued.message;
    EXPECT_EQ(glued.profile.pressure[1], 1000.5);
    EXPECT_EQ(glued.profile.absoluteHumidity[1], 0.5);
    EXPECT_EQ(glued.profile.cloudWater[1], 0.2);  // "x" lies after the last level
}

TEST(ProfileReader, LevelsKeepFileOrder) {
    const ProfileReadResult r = ParseProfileText("3\n2000 275.15 795.01 4.3 0\n1000 281.65 898.76 7.1 0.2\n"
                                                 "0 288.15 1013.25 11.5 0\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.profile.height, (std::vector<double>{2000, 1000, 0}));
    EXPECT_EQ(r.profile.cloudWater, (std::vector<double>{0, 0.2, 0}));
}

TEST(ProfileReader, AByteOrderMarkAndEveryKindOfLineEndReadAlike) {
    // Editors on Windows start a UTF-8 text with a byte-order mark, and old Mac
    // programs end lines with CR alone: neither changes the profile.
    std::string cr = kExample, crlf;
    std::replace(cr.begin(), cr.end(), '\n', '\r');
    for (char c : std::string(kExample)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& text : {std::string("\xEF\xBB\xBF") + kExample, cr, crlf, "\xEF\xBB\xBF" + cr}) {
        ExpectExample(ParseProfileText(text));
        const test::TemporaryFile file(text);
        ExpectExample(ReadProfileFile(file.path()));
    }
    // Only a whole mark at the very start is skipped: a part of one, or one
    // after white space, is not a number.
    EXPECT_NE(Refusal("\xEF\xBB" "3\n").find("не удалось прочитать число уровней"), std::string::npos);
    EXPECT_NE(Refusal(" \xEF\xBB\xBF" "3\n").find("не удалось прочитать число уровней"), std::string::npos);
}

TEST(ProfileReader, DecimalCommaStopsTheReading) {
    // "288,15" gives 288 as the temperature; the pressure read then meets ",15".
    const std::string m = Refusal("2\n0 288,15 1013.25 11.5 0\n1000 281.65 898.76 7.1 0\n");
    EXPECT_NE(m.find("уровень 1, давление"), std::string::npos) << m;
    EXPECT_NE(m.find("не удалось прочитать"), std::string::npos) << m;
}

TEST(ProfileReader, RefusesABadLevelCount) {
    EXPECT_NE(Refusal("").find("число уровней"), std::string::npos);
    EXPECT_NE(Refusal("levels 3\n").find("не удалось прочитать число уровней"), std::string::npos);
    EXPECT_NE(Refusal("-2\n").find("число уровней -2"), std::string::npos);
    EXPECT_NE(Refusal("0\n").find("число уровней 0"), std::string::npos);
    EXPECT_NE(Refusal("1\n0 288 1013 10 0\n").find("число уровней 1"), std::string::npos);
    EXPECT_NE(Refusal("100001\n").find("число уровней 100001"), std::string::npos);
    EXPECT_NE(Refusal("99999999999999999999999\n").find("слишком велико"), std::string::npos);
}

TEST(ProfileReader, RefusesMissingAndMalformedValuesNamingLevelAndQuantity) {
    // End of file in the middle of level 2.
    std::string m = Refusal("2\n0 288 1013 10 0\n1000 281 900\n");
    EXPECT_NE(m.find("уровень 2, абсолютная влажность"), std::string::npos) << m;
    m = Refusal("2\n0 288 1013 10 0\n1000 x 900 7 0\n");
    EXPECT_NE(m.find("уровень 2, температура воздуха"), std::string::npos) << m;
    m = Refusal("2\n0 288 1013 10 0\n1000 281 900 7 nan\n");
    EXPECT_NE(m.find("уровень 2, водность облаков"), std::string::npos) << m;
    m = Refusal("2\n0 288 1013 10 0\ninf 281 900 7 0\n");
    EXPECT_NE(m.find("уровень 2, высота"), std::string::npos) << m;
    m = Refusal("2\n0 288 1e999 10 0\n1000 281 900 7 0\n");
    EXPECT_NE(m.find("уровень 1, давление: значение слишком велико"), std::string::npos) << m;
}

TEST(ProfileReader, RefusesUnphysicalValues) {
    std::string m = Refusal("2\n0 288 1013 10 0\n1000 0 900 7 0\n");
    EXPECT_NE(m.find("уровень 2, температура воздуха: 0 К, допустимо от 100 до 400 К"), std::string::npos) << m;
    m = Refusal("2\n0 -5 1013 10 0\n1000 280 900 7 0\n");
    EXPECT_NE(m.find("уровень 1, температура воздуха"), std::string::npos) << m;
    m = Refusal("2\n0 288 -1 10 0\n1000 280 900 7 0\n");
    EXPECT_NE(m.find("уровень 1, давление: -1 мб, допустимо от 0 до 1200 мб"), std::string::npos) << m;
    m = Refusal("2\n0 288 1013 -0.5 0\n1000 280 900 7 0\n");
    EXPECT_NE(m.find("уровень 1, абсолютная влажность"), std::string::npos) << m;
    m = Refusal("2\n0 288 1013 10 0\n1000 280 900 7 -0.1\n");
    EXPECT_NE(m.find("уровень 2, водность облаков"), std::string::npos) << m;
    m = Refusal("2\n0 288 1013 10 0\n2e6 280 900 7 0\n");
    EXPECT_NE(m.find("уровень 2, высота"), std::string::npos) << m;
}

TEST(ProfileReader, PhysicalUpperBoundsAndTheirEdges) {
    // Beyond the physical bounds the absorption models give no meaning (and at
    // 1e-300 K or 1e6 K no number at all): refused, each naming its bound.
    const std::pair<const char*, const char*> refused[] = {
        {"2\n0 1e6 1013 10 0\n1000 280 900 7 0\n", "температура воздуха: 1000000 К, допустимо от 100 до 400 К"},
        {"2\n0 1e-300 1013 10 0\n1000 280 900 7 0\n", "температура воздуха: 1E-300 К"},
        {"2\n0 288 1200.001 10 0\n1000 280 900 7 0\n", "давление: 1200.001 мб, допустимо от 0 до 1200 мб"},
        {"2\n0 288 1013 100.5 0\n1000 280 900 7 0\n", "абсолютная влажность: 100.5 г/м^3, допустимо от 0 до 100"},
        {"2\n0 288 1013 10 10.01\n1000 280 900 7 0\n", "водность облаков: 10.01 г/м^3, допустимо от 0 до 10"},
    };
    for (const auto& [text, expected] : refused) {
        const std::string m = Refusal(text);
        EXPECT_NE(m.find(expected), std::string::npos) << m;
    }
    // The bounds themselves are accepted.
    EXPECT_TRUE(ParseProfileText("2\n0 400 1200 100 10\n1000 100 0 0 0\n").ok);
}

TEST(ProfileReader, NumbersAtTheExtremesAreReadByTheirDecimalValue) {
    const std::string zeros(400, '0');
    // A 1 and 400 zeros times 10^-1 is 1e399: too large, however it is written.
    std::string m = Refusal("2\n0 288 1013 1" + zeros + "e-1 0\n1000 280 900 7 0\n");
    EXPECT_NE(m.find("уровень 1, абсолютная влажность: значение слишком велико"), std::string::npos) << m;
    // 10^-401 written without an exponent, and 1e-400: too small to store, read as 0.
    ProfileReadResult r = ParseProfileText("2\n0 288 1013 0." + zeros + "1 1e-400\n1000 280 900 7 -1e-999\n");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.profile.absoluteHumidity[0], 0.0);
    EXPECT_EQ(r.profile.cloudWater[0], 0.0);
    EXPECT_TRUE(std::signbit(r.profile.cloudWater[1]));  // -0
    // 0.000...0001e+405 is 1e4: within range although its digits alone underflow.
    r = ParseProfileText("2\n0 288 1013 10 0\n0." + zeros + "1e405 280 900 7 0\n");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.profile.height[1], 1e4);
    // The smallest and the largest doubles read exactly.
    r = ParseProfileText("2\n0 288 1013 4.9406564584124654e-324 0\n1000 280 900 7 0\n");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.profile.absoluteHumidity[0], 4.9406564584124654e-324);
    // An exponent far beyond any double does not overflow the reader.
    m = Refusal("2\n0 288 1013 1e99999999999999999999999 0\n1000 280 900 7 0\n");
    EXPECT_NE(m.find("значение слишком велико"), std::string::npos) << m;
    // A number longer than the reader takes is refused, not read without end.
    m = Refusal("2\n0 288 1013 " + std::string(kMaxNumberLength + 10, '1') + " 0\n");
    EXPECT_NE(m.find("число длиннее 4096 знаков"), std::string::npos) << m;
}

TEST(ProfileReader, FilesAreReadInBlocksAndBoundedInSize) {
    // A profile whose numbers straddle the reader's 64 KiB blocks: 20000 levels
    // with long numbers read exactly as from memory.
    std::string text = "20000\n";
    for (int i = 0; i < 20000; ++i)
        text += std::to_string(i * 10) + ".000000000001 288.123456789012 1000.00000000001 5.55555555555 0\n";
    const test::TemporaryFile file(text);
    const ProfileReadResult fromFile = ReadProfileFile(file.path());
    const ProfileReadResult fromText = ParseProfileText(text);
    ASSERT_TRUE(fromFile.ok) << fromFile.message;
    EXPECT_EQ(fromFile.profile.height, fromText.profile.height);
    EXPECT_EQ(fromFile.profile.airTemperature, fromText.profile.airTemperature);
    EXPECT_EQ(fromFile.profile.absoluteHumidity, fromText.profile.absoluteHumidity);
    // A file that cannot be read is refused with a message, not an abort.
    ProfileReadResult r = ReadProfileFile("/proc/self/mem");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Не могу прочитать файл\n/proc/self/mem");
    // A regular file larger than any profile is refused before it is read.
    const test::TemporaryFile big("", "big.txt");
    {
        std::ofstream out(big.path(), std::ios::binary);
        out << kExample;
        out.seekp(static_cast<std::streamoff>(kMaxProfileFileBytes));
        out << ' ';
    }
    r = ReadProfileFile(big.path());
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("файл больше 64 МБ"), std::string::npos) << r.message;
}

TEST(ProfileReader, LiquidCloudOnlyAboveMinus40Celsius) {
    const std::string m = Refusal("2\n0 288 1013 10 0\n8000 233.1 350 0.1 0.05\n");
    EXPECT_NE(m.find("уровень 2, водность облаков"), std::string::npos) << m;
    EXPECT_NE(m.find("233,15 К"), std::string::npos) << m;
    // At 233.15 K exactly, and for a cloud-free cold level, the file is accepted.
    EXPECT_TRUE(ParseProfileText("2\n0 288 1013 10 0\n8000 233.15 350 0.1 0.05\n").ok);
    EXPECT_TRUE(ParseProfileText("2\n0 288 1013 10 0\n8000 200 350 0.1 0\n").ok);
}

TEST(ProfileReader, RefusalCarriesTheRuleBroken) {
    ProfileReadResult r = ParseProfileText("3\n0 288 1013 10 0\n1000 280 900 7 0\n8000 233.1 350 0.1 0.05\n");
    ASSERT_FALSE(r.ok);
    EXPECT_EQ(r.message,
              "Ошибка в файле профиля: уровень 3, водность облаков: 0.05 г/м^3 при температуре воздуха 233.1 К; "
              "жидкая вода в облаках возможна только при температуре не ниже 233,15 К.");
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->quantity, Checked::LiquidCloudTemperature);
    EXPECT_EQ(r.failure->level, 3);
    EXPECT_EQ(r.failure->value, 233.1);
    EXPECT_EQ(r.failure->lower, 233.15);
    EXPECT_EQ(r.failure->message, r.message);
    r = ParseProfileText("2\n0 288 1013 10 0\n-1000001 280 900 7 0\n");
    EXPECT_EQ(r.message, "Ошибка в файле профиля: уровень 2, высота: -1000001 м, допустимо не более 1000000 м по модулю.");
    EXPECT_EQ(r.failure->quantity, Checked::Height);
    EXPECT_EQ(r.failure->input, "height");
    r = ParseProfileText("1\n0 288 1013 10 0\n");
    EXPECT_EQ(r.message, "Ошибка в файле профиля: число уровней 1, допустимо от 2 до 100000.");
    EXPECT_EQ(r.failure->quantity, Checked::LevelCount);
    // The same rule refuses the same level in the absorption command, with its own message.
    EXPECT_EQ(CheckLevel({std::nullopt, 233.1, 350.0, 0.1, 0.05})->quantity, Checked::LiquidCloudTemperature);
}

TEST(ProfileReader, IndependentOfTheCLocale) {
    // The window switches the C library to the user's locale; a Russian locale
    // makes strtod stop at ".". The reader must read "." regardless.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const char* russian = std::setlocale(LC_ALL, "ru_RU.UTF-8");
    if (russian == nullptr) GTEST_SKIP() << "ru_RU.UTF-8 locale not installed";
    const ProfileReadResult r = ParseProfileText(kExample);
    std::setlocale(LC_ALL, previous.c_str());
    ExpectExample(r);
}

TEST(ProfileFile, ReadsAFileAndReportsOneThatCannotBeOpened) {
    const test::TemporaryFile file(kExample, "профиль атмосферы.txt");  // a UTF-8 name
    ExpectExample(ReadProfileFile(file.path()));

    const std::string missing = file.path() + ".нет";
    const ProfileReadResult r = ReadProfileFile(missing);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Не могу открыть файл\n" + missing);
    // A folder is not a profile file.
    const std::string folder = file.path().substr(0, file.path().rfind('/'));
    EXPECT_EQ(ReadProfileFile(folder).message, "Не могу открыть файл\n" + folder);
}

TEST(ProfileFile, APipeOrADeviceIsRefusedUnread) {
    // A FIFO would make open() wait for a writer, and Ctrl-C would not end the
    // wait; a device may never end. Both are refused before anything is read.
    const test::TemporaryFile anchor("", "anchor");
    const test::Fifo fifo(std::filesystem::path(anchor.path()).parent_path() / "profile.fifo");
    ASSERT_TRUE(fifo.made());
    for (const std::string& path : {fifo.path(), std::string("/dev/zero")}) {
        const ProfileReadResult r = ReadProfileFile(path);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message,
                  "Ошибка в файле профиля: это не обычный файл (канал, устройство или сокет), профиль читается только "
                  "из файла: " + path);
    }
}

TEST(ProfileFile, AFailedLoadLeavesTheEarlierProfile) {
    const test::TemporaryFile good(kExample, "good.txt");
    ProfileStore store;
    EXPECT_EQ(LoadProfileFile(good.path(), store), "");
    ASSERT_EQ(store.levelCount, 3);

    const test::TemporaryFile bad("2\n0 288 1013 10 0\n1000 -1 900 7 0\n", "bad.txt");
    EXPECT_NE(LoadProfileFile(bad.path(), store), "");
    EXPECT_EQ(LoadProfileFile(good.path() + ".missing", store), "Не могу открыть файл\n" + good.path() + ".missing");
    ExpectExample(ProfileReadResult{true, store, {}, std::nullopt, {}});
}

}  // namespace
}  // namespace seasky
