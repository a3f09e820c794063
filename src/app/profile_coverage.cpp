#include "app/profile_coverage.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "atmosphere/gas_absorption.h"

namespace seasky {

namespace {

// The levels of the U.S. Standard Atmosphere, bottom to top, read once.
const ProfileStore& StandardLevels() {
    static const ProfileStore levels = [] {
        const StandardAtmosphere* a = FindStandardAtmosphere("us-standard");
        ProfileStore p = a != nullptr ? ParseProfileText(a->text).profile : ProfileStore{};
        return p;
    }();
    return levels;
}

// The opacity above each level of the standard atmosphere at one frequency:
// logPressure[i] = ln p_i (mb), descending, and opacity[i] (Np) above level i.
struct OpacityTable {
    std::vector<double> logPressure;
    std::vector<double> opacity;
};

// The integral over one layer (km) of an absorption (Np/km) exponential in
// height between its values at the two levels, or linear where one is 0.
double LayerOpacity(double kappaLow, double kappaHigh, double thicknessKm) {
    if (kappaLow > 0.0 && kappaHigh > 0.0 && kappaLow != kappaHigh)
        return thicknessKm * (kappaLow - kappaHigh) / std::log(kappaLow / kappaHigh);
    return thicknessKm * 0.5 * (kappaLow + kappaHigh);
}

OpacityTable MakeTable(double frequencyGHz) {
    const ProfileStore& p = StandardLevels();
    const std::size_t n = static_cast<std::size_t>(p.levelCount);
    OpacityTable t;
    t.logPressure.resize(n);
    t.opacity.assign(n, 0.0);
    std::vector<double> kappa(n);
    for (std::size_t i = 0; i < n; ++i) {
        t.logPressure[i] = std::log(p.pressure[i]);
        kappa[i] = GasAbsorption(frequencyGHz, p.airTemperature[i], p.pressure[i], p.absoluteHumidity[i]).total;
    }
    for (std::size_t i = n - 1; i-- > 0;)
        t.opacity[i] = t.opacity[i + 1] + LayerOpacity(kappa[i], kappa[i + 1], (p.height[i + 1] - p.height[i]) * 1e-3);
    return t;
}

// The table's opacity above pressure p (mb): 0 above its top, the whole column
// below its bottom, interpolated in log-pressure between.
double OpacityAt(const OpacityTable& t, double p) {
    if (t.opacity.empty() || !(p > 0.0)) return 0.0;
    const double x = std::log(p);
    if (x >= t.logPressure.front()) return t.opacity.front();
    if (x <= t.logPressure.back()) return 0.0;
    // The first level at or above p (log-pressure descending).
    const std::size_t upper = static_cast<std::size_t>(
        std::lower_bound(t.logPressure.begin(), t.logPressure.end(), x, std::greater<double>()) -
        t.logPressure.begin());
    const std::size_t lower = upper - 1;
    const double w = (x - t.logPressure[upper]) / (t.logPressure[lower] - t.logPressure[upper]);
    const double a = t.opacity[upper];
    const double b = t.opacity[lower];
    if (a > 0.0 && b > 0.0) return std::exp(std::log(a) + w * (std::log(b) - std::log(a)));
    return a + w * (b - a);
}

// At most this many frequencies are kept (a sensor has tens of channels; a
// caller asking for more frequencies gets its tables formed each time).
constexpr std::size_t kMaxCachedFrequencies = 4096;

}  // namespace

double ProfileTopPressure(const ProfileView& profile) {
    double top = profile.levelCount > 0 ? profile.pressure[0] : 0.0;
    for (int i = 1; i < profile.levelCount; ++i) top = std::min(top, profile.pressure[i]);
    return top;
}

double OpacityAboveTop(double topPressure, double frequencyGHz) {
    static std::shared_mutex mutex;
    static std::map<double, OpacityTable> tables;  // by frequency, GHz; entries never removed
    {
        const std::shared_lock lock(mutex);
        const auto found = tables.find(frequencyGHz);
        if (found != tables.end()) return OpacityAt(found->second, topPressure);
    }
    OpacityTable table = MakeTable(frequencyGHz);
    const std::unique_lock lock(mutex);
    if (tables.size() >= kMaxCachedFrequencies) return OpacityAt(table, topPressure);
    // Another thread may have formed the same table meanwhile: the first is kept
    // (both hold the same numbers).
    return OpacityAt(tables.try_emplace(frequencyGHz, std::move(table)).first->second, topPressure);
}

bool ProfileEndsLow(const ProfileView& profile, double frequencyGHz) {
    return OpacityAboveTop(ProfileTopPressure(profile), frequencyGHz) > kProfileTopOpacityLimit;
}

}  // namespace seasky
