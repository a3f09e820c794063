#include "cli/jacobian_output.h"

#include <algorithm>
#include <charconv>
#include <functional>
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
                                       "Also the derivatives: all (no list), or a comma-separated list of " +
                                           DerivativeNames())
                          ->expected(0, 1)
                          ->type_name("[LIST]");
}

std::string SurfaceDerivativeUnit(SurfaceInput input, bool opacity) {
    const std::string unit = DerivativeUnitOf(input);
    return opacity ? "Np" + unit.substr(1) : unit;
}

std::string LevelDerivativeUnit(LevelQuantity quantity, bool opacity) {
    const std::string unit = DerivativeUnitOf(quantity);
    return opacity ? "Np" + unit.substr(1) : unit;
}

namespace {

// Compact JSON written straight to the stream: the level arrays of a large
// profile would take far more memory as a document than as text.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}
    void Open() { Separate(); out_ << '{'; first_ = true; }
    void Close() { out_ << '}'; first_ = false; }
    void Key(const std::string& key) {
        Separate();
        out_ << Json(key).dump() << ':';
        first_ = true;  // the value follows without a comma
    }
    void Number(double v) {
        Separate();
        if (!std::isfinite(v)) {
            out_ << "null";
        } else {
            char text[32];
            const auto r = std::to_chars(text, text + sizeof text, v);  // shortest text that reads back to v
            out_.write(text, r.ptr - text);
        }
        first_ = false;
    }
    void Text(const std::string& v) {
        Separate();
        out_ << Json(v).dump();
        first_ = false;
    }
    void Numbers(const std::vector<double>& values) {
        Separate();
        out_ << '[';
        first_ = true;
        for (double v : values) Number(v);
        out_ << ']';
        first_ = false;
    }

private:
    void Separate() {
        if (!first_) out_ << ',';
        first_ = false;
    }
    std::ostream& out_;
    bool first_ = true;
};

// The parts of WriteJacobianJson, each a member of the object w has open.

// "surface": {input: {output: value}}, the inputs selected.
void WriteSurfacePart(JsonWriter& w, const Jacobian& j, const JacobianSelection& selection,
                      const std::vector<JacobianOutput>& outputs) {
    w.Key("surface");
    w.Open();
    for (SurfaceInput k : kSurfaceInputList) {
        if (!selection.Has(k)) continue;
        w.Key(NameOf(k));
        w.Open();
        for (JacobianOutput o : outputs) {
            w.Key(NameOf(o));
            w.Number(j.Surface(o, k));
        }
        w.Close();
    }
    w.Close();
}

// "columns": {column: {output: value}}, the columns selected.
void WriteColumnsPart(JsonWriter& w, const Jacobian& j, const JacobianSelection& selection,
                      const std::vector<JacobianOutput>& outputs) {
    w.Key("columns");
    w.Open();
    for (WaterColumn c : kWaterColumnList) {
        if (!selection.Has(c)) continue;
        w.Key(NameOf(c));
        w.Open();
        for (JacobianOutput o : outputs) {
            w.Key(NameOf(o));
            w.Number(j.Column(o, c));
        }
        w.Close();
    }
    w.Close();
}

// "levels": {"height": [...], quantity: {output: [...]}}, the quantities selected.
void WriteLevelsPart(JsonWriter& w, const Jacobian& j, const ProfileView& profile,
                     const JacobianSelection& selection, const std::vector<JacobianOutput>& outputs) {
    w.Key("levels");
    w.Open();
    w.Key("height");
    w.Numbers(std::vector<double>(profile.height, profile.height + profile.levelCount));
    std::vector<double> v(j.levels);
    for (LevelQuantity q : kLevelQuantities) {
        if (!selection.Has(q)) continue;
        w.Key(NameOf(q));
        w.Open();
        for (JacobianOutput o : outputs) {
            for (int i = 0; i < j.levels; ++i) v[i] = j.Level(o, q, i);
            w.Key(NameOf(o));
            w.Numbers(v);
        }
        w.Close();
    }
    w.Close();
}

// "weighting": {output: [...]}.
void WriteWeightingPart(JsonWriter& w, const Jacobian& j, const ProfileView& profile,
                        const std::vector<JacobianOutput>& outputs) {
    w.Key("weighting");
    w.Open();
    for (JacobianOutput o : outputs) {
        w.Key(NameOf(o));
        w.Numbers(WeightingFunction(j, o, profile));
    }
    w.Close();
}

// "units": {name: unit} of every part written.
void WriteUnitsPart(JsonWriter& w, const JacobianSelection& selection) {
    w.Key("units");
    w.Open();
    for (SurfaceInput k : kSurfaceInputList)
        if (selection.Has(k)) {
            w.Key(NameOf(k));
            w.Text(SurfaceDerivativeUnit(k));
        }
    for (WaterColumn c : kWaterColumnList)
        if (selection.Has(c)) {
            w.Key(NameOf(c));
            w.Text(kColumnDerivativeUnit);
        }
    if (selection.AnyLevel()) {
        w.Key("height");
        w.Text("m");
    }
    for (LevelQuantity q : kLevelQuantities)
        if (selection.Has(q)) {
            w.Key(NameOf(q));
            w.Text(LevelDerivativeUnit(q));
        }
    if (selection.weighting) {
        w.Key("weighting");
        w.Text(kWeightingUnit);
    }
    w.Key("opacity");
    w.Text("Np in place of K");
    w.Close();
}

}  // namespace

void WriteJacobianJson(std::ostream& out, const Jacobian& j, const ProfileView& profile,
                       const JacobianSelection& selection, const std::vector<JacobianOutput>& outputs) {
    JsonWriter w(out);
    w.Open();
    if (selection.AnySurface()) WriteSurfacePart(w, j, selection, outputs);
    if (selection.AnyColumn()) WriteColumnsPart(w, j, selection, outputs);
    if (selection.AnyLevel()) WriteLevelsPart(w, j, profile, selection, outputs);
    if (selection.weighting) WriteWeightingPart(w, j, profile, outputs);
    WriteUnitsPart(w, selection);
    w.Close();
}

void WriteJsonWith(std::ostream& out, const Json& object, const std::string& key,
                   const std::function<void(std::ostream&)>& value) {
    std::string head = object.dump();
    head.pop_back();  // the closing brace
    out << head << (object.empty() ? "" : ",") << Json(key).dump() << ':';
    value(out);
    out << '}';
}

void PrintJacobianTables(std::ostream& out, const std::vector<JacobianColumn>& columns, const ProfileView& profile,
                         const JacobianSelection& selection) {
    auto header = [&](const std::string& first) {
        out << Padded(first, 22);
        for (const JacobianColumn& c : columns) out << std::string(c.title.size() < 13 ? 13 - c.title.size() : 1, ' ') << c.title;
        out << '\n';
    };
    auto isOpacity = [](const JacobianColumn& c) { return c.output == JacobianOutput::opacity; };
    const bool anyScalar = selection.AnySurface() || selection.AnyColumn();
    if (anyScalar) {
        out << "\nDerivatives (opacity: Np in place of K)\n";
        header("with respect to");
        for (SurfaceInput k : kSurfaceInputList) {
            if (!selection.Has(k)) continue;
            out << Padded(std::string(NameOf(k)) + ", " + SurfaceDerivativeUnit(k), 22);
            for (const JacobianColumn& c : columns) out << Cell(c.jacobian->Surface(c.output, k));
            out << '\n';
        }
        for (WaterColumn n : kWaterColumnList) {
            if (!selection.Has(n)) continue;
            out << Padded(std::string(NameOf(n)) + ", " + kColumnDerivativeUnit, 22);
            for (const JacobianColumn& c : columns) out << Cell(c.jacobian->Column(c.output, n));
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
    for (LevelQuantity q : kLevelQuantities) {
        if (!selection.Has(q)) continue;
        const bool opacity = std::any_of(columns.begin(), columns.end(), isOpacity);
        table("Derivatives with respect to each level's " + std::string(NameOf(q)) + ", " +
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
