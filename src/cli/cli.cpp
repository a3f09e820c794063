#include "cli/cli.h"

#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace seasky {

void BuildCli(CLI::App& app, cli::Context& context) {
    app.description("seasky: microwave brightness temperatures of the ocean-atmosphere system "
                    "seen by a satellite radiometer from above the atmosphere");
    app.name("seasky");
    app.require_subcommand(0, 1);
    app.set_help_all_flag("--help-all", "Print help for all subcommands");
    app.set_version_flag("--version", std::string("seasky ") + SEASKY_VERSION, "Print the version and exit");
    cli::AddCalcCommand(app, context);
    cli::AddProfilesCommand(app, context);
    cli::AddAbsorptionCommand(app, context);
    cli::AddAtmosphereCommand(app, context);
    cli::AddPermittivityCommand(app, context);
    cli::AddEmissivityCommand(app, context);
    cli::AddSkyCorrectionCommand(app, context);
    cli::AddSensorsCommand(app, context);
    cli::AddSensorCommand(app, context);
    cli::AddBatchCommand(app, context);
    cli::AddSweepCommand(app, context);
}

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app;
    cli::Context context{out, err, false, {}, 0, {}};
    for (int i = 0; i < argc; ++i) context.commandLine += (i > 0 ? " " : "") + std::string(argv[i]);
    BuildCli(app, context);

    // Without a subcommand seasky runs the main calculation: "seasky --freq 37"
    // is "seasky calc --freq 37".
    std::vector<const char*> args(argv, argv + argc);
    if (args.size() == 1 || (args[1][0] == '-' && std::string_view(args[1]) != "-h" &&
                             std::string_view(args[1]) != "--help" && std::string_view(args[1]) != "--help-all" &&
                             std::string_view(args[1]) != "--version"))
        args.insert(args.begin() + 1, "calc");

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
