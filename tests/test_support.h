// Helpers shared by the tests: reference tables and temporary files.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <algorithm>
#include <string_view>

#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"

namespace seasky::test {

// A CSV file with a header line: the column names and the rows of text fields.
struct CsvText {
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> rows;
};

inline CsvText ReadCsvText(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in.is_open()) << path;
    auto split = [](const std::string& line) {
        std::vector<std::string> fields;
        std::stringstream s(line);
        std::string field;
        while (std::getline(s, field, ',')) fields.push_back(field);
        // getline gives no field after a line's last comma: the empty field there.
        if (!line.empty() && line.back() == ',') fields.emplace_back();
        return fields;
    };
    CsvText csv;
    std::string line;
    std::getline(in, line);
    csv.names = split(line);
    while (std::getline(in, line))
        if (!line.empty()) csv.rows.push_back(split(line));
    return csv;
}

// A CSV file of numbers with a header line; rows as maps from column name to value.
inline std::vector<std::map<std::string, double>> ReadCsv(const std::string& path) {
    const CsvText csv = ReadCsvText(path);
    std::vector<std::map<std::string, double>> rows;
    for (const std::vector<std::string>& fields : csv.rows) {
        std::map<std::string, double> row;
        for (std::size_t i = 0; i < csv.names.size() && i < fields.size(); ++i) row[csv.names[i]] = std::stod(fields[i]);
        rows.push_back(row);
    }
    return rows;
}

inline std::string TestData(const std::string& name) { return std::string(SEASKY_TEST_DATA) + "/" + name; }

#ifdef SEASKY_SAMPLES_DIR
// A reanalysis sample file (tools/make_reanalysis_samples.cpp), written into
// the build's samples folder by the ctest fixture reanalysis_samples; a test
// program run by hand needs `make_reanalysis_samples <build>/samples` first.
inline std::string SampleFile(const std::string& name) {
    const std::string path = std::string(SEASKY_SAMPLES_DIR) + "/" + name;
    EXPECT_TRUE(std::filesystem::exists(path)) << path << " is missing: run the ctest fixture reanalysis_samples";
    return path;
}
#endif

// |actual - expected| <= tolerance * |expected|
inline ::testing::AssertionResult RelativelyNear(double actual, double expected, double tolerance) {
    const double error = std::fabs(actual - expected);
    if (error <= tolerance * std::fabs(expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "actual " << actual << " expected " << expected << " relative error "
                                         << error / std::fabs(expected) << " > " << tolerance;
}

// A file in a fresh temporary folder, removed with the object.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& contents, const std::string& name = "profile.txt") {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("seasky-" + std::string(info ? info->name() : "test") + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        path_ = dir_ / name;
        std::ofstream(path_, std::ios::binary) << contents;
    }
    ~TemporaryFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path dir_;
    std::filesystem::path path_;
};

// n levels evenly from 0 to top metres: a warm, moist, cloudless column.
inline ProfileStore EvenProfile(int n, double top) {
    ProfileStore p;
    p.levelCount = n;
    for (int i = 0; i < n; ++i) {
        const double h = top * i / (n - 1);
        p.height.push_back(h);
        p.airTemperature.push_back(288.0 - 0.0065 * h);
        p.pressure.push_back(1013.0 * std::exp(-h / 8000.0));
        p.absoluteHumidity.push_back(10.0 * std::exp(-h / 2000.0));
        p.cloudWater.push_back(0.0);
    }
    return p;
}

// A bundled standard atmosphere as a profile.
inline ProfileStore Bundled(std::string_view name) {
    const StandardAtmosphere* a = FindStandardAtmosphere(name);
    if (a == nullptr) {
        ADD_FAILURE() << "no bundled atmosphere " << name;
        return {};
    }
    ProfileReadResult r = ParseProfileText(a->text);
    EXPECT_TRUE(r.ok) << r.message;
    return r.profile;
}

// The names of the entries of a folder, sorted.
inline std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// An empty folder of the running test's own, removed with what it holds.
struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::filesystem::temp_directory_path() /
               ("seasky-" + std::string(info ? info->test_suite_name() : "suite") + "-" +
                std::string(info ? info->name() : "test") + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    // The names of the files it holds, sorted.
    std::vector<std::string> Files() const { return FilesIn(path); }
};

}  // namespace seasky::test
