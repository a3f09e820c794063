// Helpers shared by the libFuzzer harnesses: a failed property aborts with a
// message (libFuzzer then keeps the input as a crash), a scratch folder of the
// process, and the bounds of the validation table checked value by value.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/validation.h"
#include "common/records.h"

namespace seasky::fuzz {

// Aborts with the message when the property does not hold.
inline void Require(bool holds, const std::string& property) {
    if (holds) return;
    std::fprintf(stderr, "\nProperty violated: %s\n", property.c_str());
    std::fflush(stderr);
    std::abort();
}

// A folder of this process under $TMPDIR (or /tmp), made once; removed at exit
// (a crashing run leaves it behind for inspection).
inline const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/seasky-fuzz-XXXXXX";
        Require(::mkdtemp(pattern.data()) != nullptr, "a scratch folder can be made in " + pattern);
        static const std::filesystem::path made = pattern;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
        return made;
    }();
    return folder;
}

// Writes bytes to the file, replacing it.
inline void WriteFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    Require(static_cast<bool>(out), "the scratch file " + path.string() + " can be written");
}

// True when value lies within the bounds of the quantity's row of the table,
// read from the row itself (NaN never does).
inline bool WithinBounds(Checked id, double value) {
    const CheckedQuantity& q = kCheckedQuantities[static_cast<std::size_t>(id)];
    if (std::isnan(value)) return false;
    if (q.lower != -kNoBound && (q.lowerInclusive ? value < q.lower : value <= q.lower)) return false;
    if (q.upper != kNoBound && (q.upperInclusive ? value > q.upper : value >= q.upper)) return false;
    return true;
}

// Every property a profile that was accepted has: a level count within the
// table's bounds, five arrays of that length, and every level finite and within
// the bounds of the level rules (liquid cloud water only in air warm enough).
inline void RequireUsableProfile(const ProfileStore& p, const std::string& origin) {
    const std::size_t n = static_cast<std::size_t>(p.levelCount);
    Require(WithinBounds(Checked::LevelCount, p.levelCount), origin + ": level count " +
                                                                 std::to_string(p.levelCount) + " within bounds");
    Require(p.height.size() == n && p.airTemperature.size() == n && p.pressure.size() == n &&
                p.absoluteHumidity.size() == n && p.cloudWater.size() == n,
            origin + ": every array holds levelCount values");
    for (std::size_t i = 0; i < n; ++i) {
        const std::string level = origin + ", level " + std::to_string(i + 1) + ": ";
        const double values[5] = {p.height[i], p.airTemperature[i], p.pressure[i], p.absoluteHumidity[i],
                                  p.cloudWater[i]};
        for (double v : values) Require(std::isfinite(v), level + "finite values");
        Require(WithinBounds(Checked::Height, p.height[i]), level + "height within bounds");
        Require(WithinBounds(Checked::AirTemperature, p.airTemperature[i]), level + "air temperature within bounds");
        Require(WithinBounds(Checked::Pressure, p.pressure[i]), level + "pressure within bounds");
        Require(WithinBounds(Checked::Humidity, p.absoluteHumidity[i]), level + "humidity within bounds");
        Require(WithinBounds(Checked::CloudWater, p.cloudWater[i]), level + "cloud water within bounds");
        if (p.cloudWater[i] > 0.0)
            Require(WithinBounds(Checked::LiquidCloudTemperature, p.airTemperature[i]),
                    level + "liquid cloud water only in air warm enough for it");
    }
}

// True when the two profiles hold the same bytes.
inline bool SameBytes(const ProfileStore& a, const ProfileStore& b) {
    auto same = [](const std::vector<double>& x, const std::vector<double>& y) {
        return x.size() == y.size() && (x.empty() || std::memcmp(x.data(), y.data(), x.size() * sizeof(double)) == 0);
    };
    return a.levelCount == b.levelCount && same(a.height, b.height) && same(a.airTemperature, b.airTemperature) &&
           same(a.pressure, b.pressure) && same(a.absoluteHumidity, b.absoluteHumidity) &&
           same(a.cloudWater, b.cloudWater);
}

}  // namespace seasky::fuzz
