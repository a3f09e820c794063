// The subcommands of seasky, each registered on the application by its own function.
#pragma once

#include "app/calculation.h"
#include "cli/cli_support.h"

namespace seasky::cli {

void AddAbsorptionCommand(CLI::App& app, Context& context);
void AddAtmosphereCommand(CLI::App& app, Context& context);
void AddCalcCommand(CLI::App& app, Context& context);
void AddProfilesCommand(CLI::App& app, Context& context);
void AddPermittivityCommand(CLI::App& app, Context& context);
void AddEmissivityCommand(CLI::App& app, Context& context);
void AddSkyCorrectionCommand(CLI::App& app, Context& context);
void AddSensorsCommand(CLI::App& app, Context& context);
void AddSensorCommand(CLI::App& app, Context& context);
void AddBatchCommand(CLI::App& app, Context& context);
void AddSweepCommand(CLI::App& app, Context& context);

// The seven inputs of a calculation (kCalculationInputs) as options --freq,
// --angle, --azimuth, --sea-temp (or --temp), --salinity, --wind and --band,
// defaulting to the window's start-up values; and the inputs they give.
void AddCalculationInputOptions(CLI::App* command, NumberOptions& options);
CalculationInputs CalculationInputsOf(const NumberOptions& options);

// Every result and component of a calculation as one JSON object (the form of
// seasky calc --json).
Json CalculationJson(const CalculationResult& result);

// The inputs of a calculation in its record (cli/model_arguments.h): the seven
// under their vocabulary keys and the profile with its levels.
Json CalculationInputsJson(const CalculationInputs& inputs, const std::string& profileName,
                           const ProfileStore& profile);

}  // namespace seasky::cli
