// seasky sweep: the brightness temperatures against one varied input, for one
// or more profiles, as CSV or JSON and optionally as a chart.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>

#include "app/calculation_request.h"
#include "app/standard_atmospheres.h"
#include "batch/output_file.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"
#include "common/number_text.h"

namespace seasky::cli {

namespace {

// The inputs a sweep may vary, in the order of the help: the quantity (its
// option names and its short name name it in --vary) and its field.
struct Varied {
    Quantity quantity;
    double CalculationInputs::*field;

    const char* Name() const { return InfoOf(quantity).option; }
    bool Named(const std::string& name) const {
        const std::vector<std::string> names = OptionNames(quantity);
        return std::find(names.begin(), names.end(), name) != names.end() || name == InfoOf(quantity).shortName;
    }
    // The chart's axis title: "Frequency (GHz)".
    std::string Axis() const {
        const std::string unit = UnitText(UnitOf(quantity));
        return InfoOf(quantity).longName + (unit.empty() ? "" : " (" + unit + ")");
    }
};

constexpr Varied kVaried[] = {
    {Quantity::Frequency, &CalculationInputs::frequency},
    {Quantity::IncidenceAngle, &CalculationInputs::angle},
    {Quantity::Azimuth, &CalculationInputs::azimuth},
    {Quantity::Wind, &CalculationInputs::wind},
    {Quantity::SeaTemperature, &CalculationInputs::seaTemperature},
    {Quantity::Salinity, &CalculationInputs::salinity},
};

// "freq, angle, azimuth, wind, sea-temp, salinity".
std::string VariedNames() {
    std::string names;
    for (const Varied& v : kVaried) names += (names.empty() ? "" : ", ") + std::string(v.Name());
    return names;
}

struct Sweep {
    const Varied* varied = nullptr;
    std::vector<double> values;
};

// NAME=START:STOP:STEP; the values start + i step up to STOP (inclusive to 1e-9 of a step).
Sweep ParseVary(const std::string& text) {
    Sweep sweep;
    const std::size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    for (const Varied& v : kVaried)
        if (v.Named(name)) sweep.varied = &v;
    if (eq == std::string::npos || sweep.varied == nullptr)
        throw InputError("Неверный параметр --vary: '" + text + "'\nОжидается ИМЯ=НАЧАЛО:КОНЕЦ:ШАГ, ИМЯ: " +
                         VariedNames() + ".");
    std::vector<double> parts;
    std::string rest = text.substr(eq + 1);
    for (std::size_t start = 0; start <= rest.size();) {
        const std::size_t colon = std::min(rest.find(':', start), rest.size());
        parts.push_back(ParseArgument(rest.substr(start, colon - start), "--vary"));
        start = colon + 1;
    }
    if (parts.size() != 3 || !(parts[2] > 0.0) || parts[1] < parts[0])
        throw InputError("Неверный параметр --vary: '" + text +
                         "'\nОжидается НАЧАЛО:КОНЕЦ:ШАГ с НАЧАЛО <= КОНЕЦ и ШАГ > 0.");
    const double steps = std::floor((parts[1] - parts[0]) / parts[2] + 1e-9);
    if (steps > 100000) throw InputError("Неверный параметр --vary: более 100000 значений.");
    for (int i = 0; i <= static_cast<int>(steps); ++i) sweep.values.push_back(parts[0] + i * parts[2]);
    return sweep;
}

// The refusal of an output (--output or --plot) that is a profile file the sweep reads.
std::string OutputIsProfileMessage(const std::string& option, const std::string& output, const std::string& profile) {
    return "Файл " + option + " '" + output + "' — это файл профиля '" + profile +
           "': он был бы заменён результатами.\nУкажите другое имя файла.";
}

// A failure to write the table to its file.
std::string WriteFailureMessage(const OutputFileError& e) {
    if (e.diskFull) return "Не удалось записать файл " + e.path + ": диск заполнен (нет места на устройстве).";
    return "Не удалось записать файл " + e.path + " (" + std::strerror(e.error) + ").";
}

// Refuses --output and --plot when they are (through any link) a profile file
// read, or a folder.
void CheckOutputsAreNotInputs(const std::string& output, const std::string& plot,
                              const std::vector<std::string>& profiles) {
    for (const auto& [option, path] : {std::pair{"--output", &output}, std::pair{"--plot", &plot}}) {
        if (path->empty()) continue;
        if (const std::optional<std::string> profile = SameFileAmong(*path, profiles))
            throw InputError(OutputIsProfileMessage(option, *path, *profile));
        if (IsFolder(*path)) throw InputError("Файл " + std::string(option) + " '" + *path + "' — это папка.");
    }
}

std::string Text(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// The profile files read: every name but a bundled atmosphere's (LoadProfileArgument).
std::vector<std::string> ProfileFiles(const std::vector<std::string>& names) {
    std::vector<std::string> files;
    for (const std::string& name : names)
        if (FindStandardAtmosphere(name) == nullptr) files.push_back(name);
    return files;
}

// The temporary file of --output, open (none for standard output).
std::unique_ptr<TemporaryOutput> OpenOutput(const std::string& output) {
    if (output.empty()) return nullptr;
    try {
        auto file = std::make_unique<TemporaryOutput>(output);
        file->Open();
        return file;
    } catch (const OutputFileError& e) {
        throw InputError(WriteFailureMessage(e));
    }
}

// One calculation of a sweep: the value of the varied input and the results.
struct Row {
    double value;
    CalculationResult r;
};

// The table of a sweep as CSV (a header, then a line per profile and value) or
// JSON (per profile: the record of what made it, its name, the varied input and
// the values), the names of the columns and keys from the vocabulary.
std::string SweepTable(const Varied& varied, const std::vector<std::string>& names,
                       const std::vector<std::vector<Row>>& results, const std::string& format,
                       const std::vector<Json>& records) {
    std::ostringstream table;
    const std::string name = varied.Name();
    if (format == "csv") {
        table << KeyOf(Quantity::Profile) << ',' << name;
        for (Quantity q : kWindowResults) table << ',' << KeyOf(q);
        table << '\n';
        for (std::size_t p = 0; p < names.size(); ++p)
            for (const Row& row : results[p]) {
                table << CsvField(names[p]) << ',' << Text(row.value);
                for (double v : ResultValues(row.r)) table << ',' << Text(v);
                table << '\n';
            }
        return table.str();
    }
    Json all = Json::array();
    for (std::size_t p = 0; p < names.size(); ++p) {
        Json list = Json::array();
        for (const Row& row : results[p]) {
            Json j{{name, row.value}};
            const std::array<double, 7> values = ResultValues(row.r);
            for (std::size_t k = 0; k < values.size(); ++k) SetJson(j, kWindowResults[k], values[k]);
            list.push_back(j);
        }
        Json sweep = records[p];
        sweep.update(Json{{KeyOf(Quantity::Profile), names[p]}, {"vary", name}, {"values", list}});
        all.push_back(sweep);
    }
    table << all.dump() << '\n';
    return table.str();
}

// The chart of a sweep: V and H (and +45, -45 where they differ) against the
// varied input, a series per profile.
void DrawSweep(const Varied& varied, const std::vector<std::string>& names,
               const std::vector<std::vector<Row>>& results, const std::string& plot) {
    Json series = Json::array();
    auto add = [&series](const std::string& name, const std::vector<Row>& rows, double CalculationResult::*field) {
        std::vector<double> x, y;
        for (const Row& row : rows) {
            x.push_back(row.value);
            y.push_back(row.r.*field);
        }
        series.push_back(Json{{"name", name}, {"x", x}, {"y", y}});
    };
    for (std::size_t p = 0; p < names.size(); ++p) {
        const std::string suffix = names.size() > 1 ? " " + names[p] : "";
        add("V" + suffix, results[p], &CalculationResult::tbV);
        add("H" + suffix, results[p], &CalculationResult::tbH);
        // +45 and -45 are drawn only where the third Stokes term splits them.
        bool diagonal = false;
        for (const Row& row : results[p]) diagonal = diagonal || row.r.tbPlus45 != row.r.tbMinus45;
        if (diagonal) {
            add("+45" + suffix, results[p], &CalculationResult::tbPlus45);
            add("-45" + suffix, results[p], &CalculationResult::tbMinus45);
        }
    }
    const Json chart{{"xLabel", varied.Axis()}, {"yLabel", "Brightness temperature (K)"}, {"series", series}};
    const std::string failure = DrawChart(chart, plot);
    if (!failure.empty()) throw InputError("Не удалось нарисовать график: " + failure);
}

}  // namespace

void AddSweepCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "sweep", "Brightness temperatures against one varied input (CSV or JSON, optionally a chart)");
    auto vary = std::make_shared<std::string>();
    command->add_option("--vary", *vary, "NAME=START:STOP:STEP, NAME one of " + VariedNames())->required();
    auto profiles = std::make_shared<std::vector<std::string>>();
    command->add_option("--profile", *profiles,
                        "Profile file or bundled atmosphere name; may be given several times (default: "
                        "midlatitude-summer)");
    auto options = std::make_shared<NumberOptions>();
    AddCalculationInputOptions(command, *options);
    auto output = std::make_shared<std::string>();
    command->add_option("--output", *output,
                        "Write the table to FILE.csv or FILE.json (default: standard output); an existing file is "
                        "replaced, never a profile file read");
    auto plot = std::make_shared<std::string>();
    command->add_option("--plot", *plot, "Draw the brightness temperatures to FILE.png or FILE.svg");
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    AddJsonFlag(command, context);
    command->callback([=, &context] {
        context.action = [=, &context] {
            const Sweep sweep = ParseVary(*vary);
            const CalculationInputs base = CalculationInputsOf(*options);
            const ModelSet model = ModelSetOf(*models);
            // Every value is checked before anything is computed.
            for (double v : sweep.values) {
                CalculationInputs in = base;
                in.*(sweep.varied->field) = v;
                ThrowIfRefused(ValidateInputs(in, model));
            }
            const std::string format = !output->empty() ? (EndsWith(*output, ".json") ? "json" : "csv")
                                                        : (context.json ? "json" : "csv");
            if (!output->empty() && !EndsWith(*output, ".json") && !EndsWith(*output, ".csv"))
                throw InputError("Неверное имя файла --output: '" + *output + "'\nОжидается FILE.csv или FILE.json.");
            CheckPlotName(*plot);
            std::vector<std::string> names = *profiles;
            if (names.empty()) names.emplace_back(kDefaultAtmosphere);
            CheckOutputsAreNotInputs(*output, *plot, ProfileFiles(names));
            // The temporary file is made before the work, so that a folder that
            // cannot take it stops the sweep at once.
            const std::unique_ptr<TemporaryOutput> file = OpenOutput(*output);
            std::vector<ProfileStore> stores;
            for (const std::string& name : names) stores.push_back(LoadProfileArgument(name, context.err));
            // One request a value and profile, every one checked before any is computed.
            auto requestOf = [&](const ProfileStore& store, double v) {
                CalculationRequest request{base, ViewOf(store), model, false};
                request.inputs.*(sweep.varied->field) = v;
                return request;
            };
            for (const ProfileStore& store : stores)
                for (double v : sweep.values) ThrowIfRefused(CheckCalculationRequest(requestOf(store, v)));

            std::vector<std::vector<Row>> results(names.size());
            for (std::size_t p = 0; p < names.size(); ++p)
                for (double v : sweep.values)
                    results[p].push_back({v, ComputeCalculationRequest(requestOf(stores[p], v)).result});

            // What made each profile's sweep: the version, the model set, the
            // inputs other than the varied one, and the profile.
            std::vector<Json> records;
            for (std::size_t p = 0; p < names.size(); ++p) {
                Json inputs = CalculationInputsJson(base, names[p], stores[p]);
                inputs.erase(KeyOf(sweep.varied->quantity));
                records.push_back(RecordJson(model, inputs));
            }
            const std::string table = SweepTable(*sweep.varied, names, results, format, records);
            if (output->empty()) {
                context.out << table;
            } else {
                try {
                    file->Write(table);
                    file->Commit();
                } catch (const OutputFileError& e) {
                    throw InputError(WriteFailureMessage(e));
                }
            }
            if (!plot->empty()) DrawSweep(*sweep.varied, names, results, *plot);
        };
    });
}

}  // namespace seasky::cli
