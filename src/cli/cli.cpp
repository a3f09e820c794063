#include "cli/cli.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/commands.h"

namespace seasky {

void BuildCli(CLI::App& app, cli::Context& context, std::string_view only) {
    app.description("seasky: microwave brightness temperatures of the ocean-atmosphere system "
                    "seen by a satellite radiometer from above the atmosphere");
    app.name("seasky");
    app.require_subcommand(0, 1);
    app.set_help_all_flag("--help-all", "Print help for all subcommands");
    app.set_version_flag("--version", std::string("seasky ") + SEASKY_VERSION, "Print the version and exit");
    // In the order of seasky --help.
    using Add = void (*)(CLI::App&, cli::Context&);
    static constexpr std::pair<std::string_view, Add> kSubcommands[] = {
        {"calc", cli::AddCalcCommand},
        {"profiles", cli::AddProfilesCommand},
        {"absorption", cli::AddAbsorptionCommand},
        {"atmosphere", cli::AddAtmosphereCommand},
        {"permittivity", cli::AddPermittivityCommand},
        {"emissivity", cli::AddEmissivityCommand},
        {"sky-correction", cli::AddSkyCorrectionCommand},
        {"sensors", cli::AddSensorsCommand},
        {"sensor", cli::AddSensorCommand},
        {"batch", cli::AddBatchCommand},
        {"sweep", cli::AddSweepCommand},
    };
    const bool known = std::any_of(std::begin(kSubcommands), std::end(kSubcommands),
                                   [&](const auto& s) { return s.first == only; });
    for (const auto& [name, add] : kSubcommands)
        if (!known || name == only) add(app, context);
}

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app;
    cli::Context context{out, err, false, {}, 0, {}};
    // The program by its file name (seasky), not the path it was started by
    // (a build folder's): the command line goes into the records of a run.
    for (int i = 0; i < argc; ++i)
        context.commandLine += i > 0 ? " " + std::string(argv[i]) : std::filesystem::path(argv[0]).filename().string();

    // Without a subcommand seasky runs the main calculation: "seasky --freq 37"
    // is "seasky calc --freq 37".
    std::vector<const char*> args(argv, argv + argc);
    if (args.size() == 1 || (args[1][0] == '-' && std::string_view(args[1]) != "-h" &&
                             std::string_view(args[1]) != "--help" && std::string_view(args[1]) != "--help-all" &&
                             std::string_view(args[1]) != "--version"))
        args.insert(args.begin() + 1, "calc");
    // The subcommand named first is the one parsed (one at most); the help of
    // seasky itself and a name that is no subcommand get them all.
    BuildCli(app, context, args.size() > 1 ? std::string_view(args[1]) : std::string_view());

    try {
        app.parse(static_cast<int>(args.size()), args.data());
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return 0;
    } catch (const CLI::CallForVersion&) {
        out << app.version() << '\n';
        return 0;
    } catch (const CLI::ParseError& e) {
        err << cli::ParseErrorMessage(e) << "\nСправка: seasky --help\n";
        return kUsageError;
    }
    if (!context.action) {
        out << app.help();
        return 0;
    }
    try {
        context.action();
    } catch (const cli::InputError& e) {
        err << e.what() << '\n';
        return kUsageError;
    }
    // Results that could not be written (a full disk, a closed pipe) are a
    // failure, not a success.
    out.flush();
    if (!out) {
        err << "Не удалось записать результаты (стандартный вывод).\n";
        return kOutputError;
    }
    return context.status;
}

}  // namespace seasky
