#include "cli/jacobian_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <ostream>

namespace seasky::cli {

namespace {

// "%12.5g", padded to a column.
std::string Cell(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%13.5g", v);
    return text;
}

std::string Padded(const std::string& s, std::size_t width) {
    return s.size() >= width ? s + " " : s + std::string(width - s.size(), ' ');
}

// The levels in height order, lowest first.
std::vector<int> HeightOrder(const ProfileView& p) {
    std::vector<int> order(p.levelCount);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&p](int a, int b) { return p.height[a] < p.height[b]; });
    return order;
}

}  // namespace

JacobianSelection JacobiansArgument::Selection() const {
    JacobianSelection s;
    if (std::optional<std::string> message = ParseJacobianSelection(text, s)) throw InputError(*message);
    return s;
}

void AddJacobiansOption(CLI::App* command, JacobiansArgument& argument) {
    argument.option = command
                          ->add_option("--jacobians", argument.text,
                                       "Also the derivatives: all, or a comma-separated list of sst, salinity, wind, "
                                       "azimuth, angle, temperature, pressure, humidity, cloud, lntcwv, lnlwp, "
                                       "weighting")
                          ->expected(0, 1)
                          ->type_name("[LIST]");
}

std::string SurfaceDerivativeUnit(int input, bool opacity) {
    const std::string unit = kSurfaceDerivativeUnits[input];
    return opacity ? "Np" + unit.substr(1) : unit;
}

std::string LevelDerivativeUnit(int quantity, bool opacity) {
    const std::string unit = kLevelDerivativeUnits[quantity];
    return opacity ? "Np" + unit.substr(1) : unit;
}

Json JacobianJson(const Jacobian& j, const ProfileView& profile, const JacobianSelection& selection,
                  const std::vector<int>& outputs) {
    Json out = Json::object();
    Json units = Json::object();
    Json surface = Json::object();
    for (int k = 0; k < kSurfaceInputs; ++k) {
        if (!selection.surface[k]) continue;
        Json values = Json::object();
        for (int o : outputs) values[kJacobianOutputNames[o]] = j.surface[o][k];
        surface[kSurfaceInputNames[k]] = values;
        units[kSurfaceInputNames[k]] = SurfaceDerivativeUnit(k);
    }
    if (!surface.empty()) out["surface"] = surface;
    Json columns = Json::object();
    for (int c = 0; c < 2; ++c) {
        if (!selection.columns[c]) continue;
        Json values = Json::object();
        for (int o : outputs) values[kJacobianOutputNames[o]] = j.columns[o][c];
        columns[kColumnNames[c]] = values;
        units[kColumnNames[c]] = kColumnDerivativeUnit;
    }
    if (!columns.empty()) out["columns"] = columns;
    if (selection.AnyLevel()) {
        Json levels = Json::object();
        levels["height"] = std::vector<double>(profile.height, profile.height + profile.levelCount);
        units["height"] = "m";
        for (int q = 0; q < kProfileQuantities; ++q) {
            if (!selection.level[q]) continue;
            Json values = Json::object();
            for (int o : outputs) {
                std::vector<double> v(j.levels);
                for (int i = 0; i < j.levels; ++i) v[i] = j.Level(o, q, i);
                values[kJacobianOutputNames[o]] = v;
            }
            levels[kLevelQuantityNames[q]] = values;
            units[kLevelQuantityNames[q]] = LevelDerivativeUnit(q);
        }
        out["levels"] = levels;
    }
    if (selection.weighting) {
        Json values = Json::object();
        for (int o : outputs) values[kJacobianOutputNames[o]] = WeightingFunction(j, o, profile);
        out["weighting"] = values;
        units["weighting"] = kWeightingUnit;
    }
    units["opacity"] = "Np in place of K";
    out["units"] = units;
    return out;
}

void PrintJacobianTables(std::ostream& out, const std::vector<JacobianColumn>& columns, const ProfileView& profile,
                         const JacobianSelection& selection) {
    auto header = [&](const std::string& first) {
        out << Padded(first, 22);
        for (const JacobianColumn& c : columns) out << std::string(c.title.size() < 13 ? 13 - c.title.size() : 1, ' ') << c.title;
        out << '\n';
    };
    auto isOpacity = [](const JacobianColumn& c) { return c.output == 10; };
    const bool anyScalar = std::any_of(selection.surface.begin(), selection.surface.end(), [](bool b) { return b; }) ||
                           selection.columns[0] || selection.columns[1];
    if (anyScalar) {
        out << "\nDerivatives (opacity: Np in place of K)\n";
        header("with respect to");
        for (int k = 0; k < kSurfaceInputs; ++k) {
            if (!selection.surface[k]) continue;
            out << Padded(std::string(kSurfaceInputNames[k]) + ", " + SurfaceDerivativeUnit(k), 22);
            for (const JacobianColumn& c : columns) out << Cell(c.jacobian->surface[c.output][k]);
            out << '\n';
        }
        for (int n = 0; n < 2; ++n) {
            if (!selection.columns[n]) continue;
            out << Padded(std::string(kColumnNames[n]) + ", K", 22);
            for (const JacobianColumn& c : columns) out << Cell(c.jacobian->columns[c.output][n]);
            out << '\n';
        }
    }
    const std::vector<int> order = HeightOrder(profile);
    auto table = [&](const std::string& title, auto value) {
        out << '\n' << title << '\n';
        header("level   height, m");
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            char first[40];
            std::snprintf(first, sizeof first, "%5d %11.6g", *it + 1, profile.height[*it]);
            out << Padded(first, 22);
            for (const JacobianColumn& c : columns) out << Cell(value(c, *it));
            out << '\n';
        }
    };
    for (int q = 0; q < kProfileQuantities; ++q) {
        if (!selection.level[q]) continue;
        const bool opacity = std::any_of(columns.begin(), columns.end(), isOpacity);
        table("Derivatives with respect to each level's " + std::string(kLevelQuantityNames[q]) + ", " +
                  LevelDerivativeUnit(q) + (opacity ? " (opacity: " + LevelDerivativeUnit(q, true) + ")" : ""),
              [q](const JacobianColumn& c, int i) { return c.jacobian->Level(c.output, q, i); });
    }
    if (selection.weighting) {
        std::vector<std::vector<double>> w;
        for (const JacobianColumn& c : columns) w.push_back(WeightingFunction(*c.jacobian, c.output, profile));
        table("Weighting functions: temperature derivative per unit height, K/K per km",
              [&w, &columns](const JacobianColumn& c, int i) { return w[&c - columns.data()][i]; });
    }
}

void PlotWeightingFunctions(const std::vector<JacobianColumn>& columns, const ProfileView& profile,
                            const std::string& title, const std::string& path) {
    const std::vector<int> order = HeightOrder(profile);
    std::vector<std::vector<double>> w;
    double largest = 0.0;
    for (const JacobianColumn& c : columns) {
        w.push_back(WeightingFunction(*c.jacobian, c.output, profile));
        for (double v : w.back()) largest = std::max(largest, std::abs(v));
    }
    // The chart stops one level above the highest where any weighting function
    // still reaches 0.1 % of the largest value, so that the part that matters
    // fills it; the text and JSON forms give every level.
    std::size_t top = order.size();
    while (top > 2) {
        bool small = true;
        for (const std::vector<double>& f : w) small = small && std::abs(f[order[top - 2]]) < 1e-3 * largest;
        if (!small) break;
        --top;
    }
    Json series = Json::array();
    for (std::size_t n = 0; n < columns.size(); ++n) {
        std::vector<double> x, y;
        for (std::size_t r = 0; r < top; ++r) {
            x.push_back(w[n][order[r]]);
            y.push_back(profile.height[order[r]] / 1000.0);
        }
        series.push_back(Json{{"name", columns[n].title}, {"x", x}, {"y", y}});
    }
    const Json chart{{"title", title},
                     {"xLabel", "Weighting function (K/K per km)"},
                     {"yLabel", "Height (km)"},
                     {"series", series}};
    const std::string failure = DrawChart(chart, path);
    if (!failure.empty()) throw InputError("Не удалось нарисовать график: " + failure);
}

}  // namespace seasky::cli
