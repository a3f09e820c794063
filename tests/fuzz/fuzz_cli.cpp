// Fuzzes the seasky command line (cli/cli.h) with every subcommand: the input,
// split at NUL and newline bytes, gives the arguments after "seasky".
//
// Properties:
//  - the exit status is one of the documented ones: 0, 2 (kUsageError), 1
//    (kOutputError) and, for batch, 3 (kBatchRefusals);
//  - a refusal (status 2) prints its message on standard error and nothing on
//    standard output;
//  - with status 0 no output shows a non-finite result ("nan", "inf", or a JSON
//    null), and the output of --json is JSON.
//
// Each input runs in a scratch folder of the harness (the working directory
// while it runs; libFuzzer's own files stay relative to the folder it was
// started in), which holds a profile file, a sensor file and CSV and NetCDF
// scene files that the seed inputs name. What it does not run as given, and why:
//  - --plot: starts the chart program and writes an image; an input naming it
//    is skipped;
//  - --output (sweep, batch; seasky has no short options but -h): writes a
//    result file; its value is replaced by a file of the same extension in the
//    folder out/, emptied after every input;
//  - --threads (batch): starts worker threads, and a batch over several scenes
//    with more than one waits 200 ms between looks at them; a number given is
//    replaced by 1, and a batch that names none gets --threads 1;
//  - --vary (sweep) of more than kMaxSweepValues values over all the profiles
//    given, and --band wider than kMaxBand GHz: hundreds of calculations per
//    input; skipped;
//  - arguments naming an existing device, pipe or socket (reading may block or
//    never end) or a file larger than kMaxFileBytes; skipped.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/standard_atmospheres.h"
#include "batch/batch_run.h"
#include "cli/cli.h"
#include "common/number_text.h"
#include "fuzz_support.h"

namespace {

using namespace seasky;
using fuzz::Require;
namespace fs = std::filesystem;

constexpr std::size_t kMaxArguments = 64;
constexpr double kMaxSweepValues = 50;  // values x profiles
constexpr double kMaxBand = 10.0;  // GHz: at most about 200 sub-frequencies
constexpr std::uintmax_t kMaxFileBytes = 1u << 20;

const fs::path& OutputFolder() {
    static const fs::path folder = fuzz::ScratchFolder() / "out";
    return folder;
}

void CopyFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    Require(!ec, "the harness's file " + from.string() + " can be copied: " + ec.message());
}

// A number the way the command line reads it ("," or "." as the point).
std::optional<double> Number(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    return ParseUserNumber(text, '.');
}

// The number of values of a --vary NAME=START:STOP:STEP (0 when it does not read).
double SweepValues(const std::string& vary) {
    const std::size_t eq = vary.find('=');
    if (eq == std::string::npos) return 0;
    std::vector<double> fields;
    const std::string rest = vary.substr(eq + 1);
    for (std::size_t start = 0; start <= rest.size();) {
        const std::size_t colon = std::min(rest.find(':', start), rest.size());
        const std::optional<double> v = Number(rest.substr(start, colon - start));
        if (!v || !std::isfinite(*v)) return 0;
        fields.push_back(*v);
        start = colon + 1;
    }
    if (fields.size() != 3 || !(fields[2] > 0.0) || fields[1] < fields[0]) return 0;
    return std::floor((fields[1] - fields[0]) / fields[2]) + 1;
}

// True when the argument names something that may block or take long to read.
bool NamesUnsafeFile(const std::string& argument) {
    if (argument.empty()) return false;
    std::error_code ec;
    const fs::file_status status = fs::status(argument, ec);
    if (ec || !fs::exists(status)) return false;
    if (fs::is_directory(status)) return false;
    if (!fs::is_regular_file(status)) return true;
    return fs::file_size(argument, ec) > kMaxFileBytes;
}

// The value of an option written "--name value" or "--name=value": the index of
// the argument holding it and the offset of the value in it.
struct OptionValue {
    std::size_t index;
    std::size_t offset;
};
std::vector<OptionValue> ValuesOf(const std::vector<std::string>& args, std::string_view name) {
    std::vector<OptionValue> values;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name && i + 1 < args.size()) values.push_back({i + 1, 0});
        else if (args[i].size() > name.size() && args[i].compare(0, name.size(), name) == 0 &&
                 args[i][name.size()] == '=')
            values.push_back({i, name.size() + 1});
    }
    return values;
}

// The arguments to run, or nothing when the input is skipped.
std::optional<std::vector<std::string>> Arguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    if (size > 0) args.emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\0' || c == '\n') args.emplace_back();
        else args.back() += c;
    }
    if (!args.empty() && args.back().empty()) args.pop_back();  // a final separator ends the last argument
    if (args.size() > kMaxArguments) return std::nullopt;

    for (const std::string& a : args) {
        if (a.rfind("--plot", 0) == 0) return std::nullopt;
        const std::size_t eq = a.find('=');
        if (NamesUnsafeFile(a) || (eq != std::string::npos && NamesUnsafeFile(a.substr(eq + 1)))) return std::nullopt;
    }
    // A sweep computes every value for every profile given.
    const double profiles = std::max<std::size_t>(1, ValuesOf(args, "--profile").size());
    for (const OptionValue& v : ValuesOf(args, "--vary"))
        if (SweepValues(args[v.index].substr(v.offset)) * profiles > kMaxSweepValues) return std::nullopt;
    for (const OptionValue& v : ValuesOf(args, "--band")) {
        const std::optional<double> band = Number(args[v.index].substr(v.offset));
        if (band && std::fabs(*band) > kMaxBand) return std::nullopt;
    }
    for (const OptionValue& v : ValuesOf(args, "--output")) {
        std::string& a = args[v.index];
        if (a.size() == v.offset) continue;  // an empty name is the command's to judge
        std::string extension = fs::path(a.substr(v.offset)).extension().string();
        if (extension.size() > 8) extension.resize(8);
        a = a.substr(0, v.offset) + (OutputFolder() / ("result" + extension)).string();
    }
    bool threads = false;
    for (const OptionValue& v : ValuesOf(args, "--threads")) {
        threads = true;
        std::string& a = args[v.index];
        const std::string value = a.substr(v.offset);
        if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos)
            a = a.substr(0, v.offset) + "1";
    }
    if (!threads && !args.empty() && args[0] == "batch") args.insert(args.begin() + 1, {"--threads", "1"});
    return args;
}

// True when the text shows a non-finite number: a word nan, inf or infinity
// (any case, any sign) or a JSON null.
bool ShowsNonFinite(const std::string& text) {
    std::string word;
    auto judge = [&word] {
        std::string w;
        for (char c : word) w += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!w.empty() && (w[0] == '-' || w[0] == '+')) w.erase(0, 1);
        const bool bad = w == "nan" || w == "inf" || w == "infinity" || w == "null";
        word.clear();
        return bad;
    };
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '+') word += c;
        else if (judge()) return true;
    }
    return judge();
}

// True when an argument may ask for the help text or the version instead of
// results: --help, --help-all, --version, or -h alone or first of a group of
// short flags ("-hx").
bool AsksForText(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a.rfind("-h", 0) == 0 || a.rfind("--help", 0) == 0 || a.rfind("--version", 0) == 0) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const fs::path& folder = fuzz::ScratchFolder();
    const fs::path source = SEASKY_SOURCE_DIR;
    CopyFile(source / "data/profiles/tropical-cloudy.txt", folder / "sonde.txt");
    CopyFile(source / "data/sensors/ssmi.json", folder / "sensor.json");
    CopyFile(source / "tests/fuzz/corpus/scenes_netcdf/two-scenes.nc", folder / "scenes.nc");
    {
        std::ofstream csv(folder / "scenes.csv");
        csv << "profile,sst,salinity,wind,azimuth,angle\n"
               "tropical,28,35,5,0,\n"
               "sonde.txt,2,33,12,90,53\n";
    }
    fs::create_directories(OutputFolder());
    return 0;
}

namespace {

// While it lives, the working directory is the scratch folder; afterwards again
// the folder the harness was started in, where libFuzzer reads and writes.
class InScratchFolder {
public:
    InScratchFolder() {
        Require(start_ >= 0 && ::chdir(fuzz::ScratchFolder().c_str()) == 0, "the harness can work in its scratch folder");
    }
    ~InScratchFolder() { Require(::fchdir(start_) == 0, "the harness can return to the folder it was started in"); }
    InScratchFolder(const InScratchFolder&) = delete;
    InScratchFolder& operator=(const InScratchFolder&) = delete;

private:
    static inline const int start_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<std::vector<std::string>> args;
    std::vector<const char*> argv{"seasky"};
    std::ostringstream out, err;
    int status = 0;
    {
        const InScratchFolder here;  // the arguments are judged where they are read
        args = Arguments(data, size);
        if (!args) return -1;
        for (const std::string& a : *args) argv.push_back(a.c_str());
        status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    }
    std::error_code ec;
    fs::remove_all(OutputFolder(), ec);
    fs::create_directories(OutputFolder(), ec);

    std::string shown;
    for (const char* a : argv) shown += std::string(" '") + a + "'";
    const bool batch = args->size() > 0 && (*args)[0] == "batch";
    Require(status == 0 || status == kUsageError || status == kOutputError || (batch && status == kBatchRefusals),
            "status " + std::to_string(status) + " is a documented one, for" + shown);
    if (status == kUsageError) {
        Require(!err.str().empty(), "a refusal gives a message on standard error, for" + shown);
        Require(out.str().empty(), "a refusal prints nothing on standard output, for" + shown + "; it printed:\n" +
                                       out.str());
    }
    if (status != 0) return 0;
    Require(!ShowsNonFinite(out.str()), "no non-finite result on standard output, for" + shown + ":\n" + out.str());
    Require(!ShowsNonFinite(err.str()), "no non-finite result on standard error, for" + shown + ":\n" + err.str());
    int json = 0;
    for (const std::string& a : *args)
        if (a.rfind("--json", 0) == 0) json += a == "--json" ? 1 : 2;
    if (json == 1 && !AsksForText(*args) && !out.str().empty())
        Require(nlohmann::json::accept(out.str()), "--json prints JSON, for" + shown + ":\n" + out.str());
    return 0;
}
