// Writes the manual page seasky.1 (roff) from the command line itself: it builds
// the same CLI11 application as the seasky command (BuildCli) and walks its
// subcommands and options, so that the page lists exactly what --help lists,
// with the same type names, descriptions and defaults. Only the short prose
// around the tables is written here.
//
//   seasky_man OUTPUT.1 VERSION
#include <CLI/CLI.hpp>
#include <cctype>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_support.h"

namespace {

// Text with the characters roff would interpret escaped: backslashes, and the
// hyphens as \- so that option names and ranges copy as ASCII hyphen-minus.
std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

// One line of running text: a leading dot or apostrophe would start a request.
std::string TextLine(std::string_view text) {
    const std::string escaped = Escape(text);
    if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) return "\\&" + escaped;
    return escaped;
}

std::string Bold(std::string_view text) { return "\\fB" + Escape(text) + "\\fR"; }
std::string Italic(std::string_view text) { return "\\fI" + Escape(text) + "\\fR"; }

bool IsHelp(const CLI::Option* option) {
    const std::vector<std::string>& names = option->get_lnames();
    return !names.empty() && (names.front() == "help" || names.front() == "help-all");
}

// The option's names, as they are typed: "-h, --help".
std::string OptionNames(const CLI::Option* option) {
    std::string out;
    auto add = [&out](const std::string& name) {
        if (!out.empty()) out += ", ";
        out += Bold(name);
    };
    for (const std::string& s : option->get_snames()) add("-" + s);
    for (const std::string& l : option->get_lnames()) add("--" + l);
    if (out.empty()) out = Italic(option->get_name());  // a positional argument
    return out;
}

// The value an option takes, as --help shows it ("NUMBER", "[LIST]"); empty for a flag.
std::string OptionValue(const CLI::Option* option) {
    if (option->get_type_size() == 0 || option->get_type_name().empty()) return {};
    std::string value = option->get_type_name();
    if (option->get_expected_max() == CLI::detail::expected_max_vector_size) value += " ...";
    return value;
}

std::vector<const CLI::Option*> VisibleOptions(const CLI::App& app) {
    return app.get_options([](const CLI::Option* o) { return !o->get_group().empty(); });
}

std::vector<const CLI::App*> VisibleSubcommands(const CLI::App& app) {
    return app.get_subcommands([](const CLI::App* s) { return !s->get_group().empty(); });
}

// The options of one command as a tagged list; the help flags only where asked.
void WriteOptions(std::ostream& out, const CLI::App& app, bool withHelp) {
    for (const CLI::Option* option : VisibleOptions(app)) {
        if (!withHelp && IsHelp(option)) continue;
        out << ".TP\n" << OptionNames(option);
        const std::string value = OptionValue(option);
        if (!value.empty()) out << " " << Italic(value);
        out << '\n' << TextLine(option->get_description());
        std::vector<std::string> notes;
        if (option->get_required()) notes.push_back("required");
        if (!option->get_default_str().empty()) notes.push_back("default: " + option->get_default_str());
        if (!notes.empty()) {
            std::string joined;
            for (const std::string& n : notes) joined += (joined.empty() ? "" : "; ") + n;
            out << " (" << Escape(joined) << ")";
        }
        out << '\n';
    }
}

// "seasky batch --scenes TEXT --sensor TEXT --output TEXT [OPTIONS]": the
// required options spelled out, the others summarised.
void WriteSynopsis(std::ostream& out, const std::string& path, const CLI::App& command) {
    out << ".B " << Escape(path) << "\n";
    bool optional = false;
    for (const CLI::Option* option : VisibleOptions(command)) {
        if (IsHelp(option)) continue;
        if (!option->get_required()) {
            optional = true;
            continue;
        }
        out << OptionNames(option);
        const std::string value = OptionValue(option);
        if (!value.empty()) out << " " << Italic(value);
        out << '\n';
    }
    if (optional) out << "[" << Italic("OPTIONS") << "]\n";
}

void WriteCommand(std::ostream& out, const std::string& parentPath, const CLI::App& command) {
    const std::string path = parentPath + " " + command.get_name();
    out << ".SS \"" << Escape(path) << "\"\n";
    WriteSynopsis(out, path, command);
    out << ".PP\n" << TextLine(command.get_description()) << '\n';
    WriteOptions(out, command, false);
    for (const CLI::App* sub : VisibleSubcommands(command)) WriteCommand(out, path, *sub);
}

void WritePage(std::ostream& out, const CLI::App& app, const std::string& version) {
    const std::string name = app.get_name();
    out << ".\\\" Generated by seasky_man from the option tables of " << name << "; do not edit.\n";
    out << ".TH SEASKY 1 \"\" \"seasky " << Escape(version) << "\" \"User Commands\"\n";
    // Left-adjusted and unhyphenated, so that option names and file names copy whole.
    out << ".ad l\n.nh\n";
    out << ".SH NAME\n" << name << " \\- microwave brightness temperatures of the ocean\\(enatmosphere system\n";

    out << ".SH SYNOPSIS\n.B " << name << "\n[" << Italic("SUBCOMMAND") << "] [" << Italic("OPTIONS") << "]\n";

    // The description as --help gives it, without its leading "seasky: ".
    std::string description = app.get_description();
    if (description.rfind(name + ": ", 0) == 0) description.erase(0, name.size() + 2);
    if (!description.empty())
        description[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(description[0])));
    out << ".SH DESCRIPTION\n" << TextLine(description) << ".\n.PP\n"
        << TextLine("Without a subcommand (or with options only) seasky runs calc. Numbers accept \".\" or \",\" "
                    "as the decimal point. With --json a subcommand prints one JSON object whose numbers read back "
                    "to the identical double; without it, one \"name: value unit\" line per value.")
        << "\n.PP\n"
        << TextLine("Units: frequency and bandwidth in GHz, angles in degrees, sea temperature in degrees C, "
                    "salinity in per mille, wind speed in m/s, air temperature in K, pressure in mb (hPa), "
                    "humidity and cloud liquid water in g/m3, heights in m, brightness temperatures in K, "
                    "opacity in Np.")
        << '\n';

    out << ".SH OPTIONS\n";
    WriteOptions(out, app, true);
    out << ".PP\n" << TextLine("Every subcommand also takes -h, --help and --help-all.") << '\n';

    out << ".SH SUBCOMMANDS\n";
    for (const CLI::App* command : VisibleSubcommands(app)) WriteCommand(out, name, *command);

    out << ".SH \"EXIT STATUS\"\n"
        << ".TP\n.B 0\n" << TextLine("Success; for batch, every scene was computed.") << '\n'
        << ".TP\n.B 1\n"
        << TextLine("The results could not be written to standard output (a full disk, a closed pipe).") << '\n'
        << ".TP\n.B 2\n"
        << TextLine("Bad arguments, a value out of range, a refused profile, sensor or scene file: a message "
                    "on standard error and nothing on standard output (batch: no output file).")
        << '\n'
        << ".TP\n.B 3\n"
        << TextLine("batch: the run completed but some scenes were refused (NaN and a message in the output).")
        << '\n'
        << ".TP\n.B 130\n"
        << TextLine("batch: interrupted by Ctrl-C; no output file is left.") << '\n';

    out << ".SH FILES\n"
        << ".TP\n" << Italic("../share/seasky/profiles/") << '\n'
        << TextLine("relative to the folder of the seasky program (/usr/share/seasky/profiles for "
                    "/usr/bin/seasky): the bundled standard atmospheres as profile files; seasky profiles "
                    "--folder prints it.")
        << '\n'
        << ".TP\n" << Italic("../share/seasky/sensors/") << '\n'
        << TextLine("the bundled sensor presets as sensor files, the form of a sensor file of your own.") << '\n';

    out << ".SH \"SEE ALSO\"\n"
        << TextLine("seasky-gui, the window; README.md of seasky (installed in share/doc/seasky) for the models, "
                    "the file formats and the sources of the data.")
        << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: seasky_man OUTPUT.1 VERSION\n";
        return 2;
    }
    CLI::App app;
    seasky::cli::Context context{std::cout, std::cerr, false, {}, 0, {}};
    seasky::BuildCli(app, context);
    std::ostringstream page;
    WritePage(page, app, argv[2]);
    std::ofstream file(argv[1], std::ios::binary);
    file << page.str();
    file.close();
    if (!file) {
        std::cerr << "seasky_man: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
