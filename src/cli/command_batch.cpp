// seasky batch: the channels of a sensor over every scene of a NetCDF or CSV file.
#include "batch/batch_run.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

void AddBatchCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "batch", "Brightness temperatures of a sensor's channels over many scenes (NetCDF or CSV in and out)");
    auto options = std::make_shared<BatchOptions>();
    command
        ->add_option("--scenes", options->scenes,
                     "Scene file: NetCDF .nc or GRIB .grib of profiles (a level dimension and any others: ERA5 "
                     "pressure levels as delivered), or .csv")
        ->required();
    command->add_option("--surface", options->fields.surfaceFile,
                        "Single-level fields on the same grid (.nc or .grib: ERA5 sst, u10, v10, sp, t2m, d2m, msl)");
    command->add_option("--level-dim", options->fields.levelDim,
                        "The level dimension of the scene file (default: level, pressure_level, isobaricInhPa, plev, "
                        "lev or levelist)");
    command->add_option("--salinity", options->fields.salinity,
                        "Sea surface salinity for every scene, per mille (PSU), when the scene file has none");
    command->add_option("--look-azimuth", options->fields.lookAzimuth,
                        "The sensor's look azimuth for every scene, degrees clockwise from north, from the sensor to "
                        "the footprint (for winds given as u10/v10; docs/wind-convention.md)");
    command->add_option("--sensor", options->sensor, "Preset name (seasky sensors) or sensor file")->required();
    command->add_option("--channels", options->channels, "Comma-separated channel names (default: all)");
    command->add_option("--output", options->output,
                        "Result file: .nc or .csv; an existing file is replaced when the run completes, never an "
                        "input file of the run")
        ->required();
    command
        ->add_option("--threads", options->threads,
                     "Worker threads (default: all cores; at most " + std::to_string(kThreadsPerCore) +
                         " per core, more are refused)")
        ->check(CLI::NonNegativeNumber);
    command->add_flag("--quiet", options->quiet, "No progress bar");
    command->add_flag("--extrapolate", options->extrapolate,
                      "Compute channels whose centre lies outside 6.75-89 GHz anyway (marked in the output)");
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    CLI::Option* jacobians =
        command
            ->add_option("--jacobians", options->jacobians,
                         "Also the derivatives of tb: all, or a comma-separated list of sst, salinity, wind, azimuth, "
                         "angle, lntcwv, lnlwp and (NetCDF output only) airTemperature, pressure, humidity, cloud, "
                         "weighting")
            ->expected(0, 1)
            ->type_name("[LIST]");
    command->callback([options, models, jacobians, &context] {
        context.action = [options, models, jacobians, &context] {
            BatchOptions run = *options;
            run.jacobiansGiven = jacobians->count() > 0;
            run.model = ModelSetOf(*models);
            run.commandLine = context.commandLine;
            context.status = RunBatch(run, context.err);
        };
    });
}

}  // namespace seasky::cli
