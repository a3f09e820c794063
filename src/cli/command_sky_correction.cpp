// seasky sky-correction: the reflected-sky correction factors of a wind-roughened sea.
#include "app/input_ranges.h"
#include "cli/commands.h"
#include "surface/reflected_sky_correction.h"

namespace seasky::cli {

namespace {

// The ranges the correction tables cover, checked in argument order: the
// window's frequency, angle and wind ranges and the transmittance 0 to 1.
void CheckSkyCorrectionInputs(double f, double tau, double theta, double w) {
    std::string failure = FirstRangeFailure({{RangedInput::Frequency, f}});
    if (failure.empty() && !(tau >= 0.0 && tau <= 1.0))
        failure = "Неверное значение пропускания атмосферы!\nДиапазон допустимых значений от 0 до 1.";
    if (failure.empty()) failure = FirstRangeFailure({{RangedInput::Angle, theta}, {RangedInput::Wind, w}});
    if (!failure.empty()) throw InputError(failure);
}

}  // namespace

void AddSkyCorrectionCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "sky-correction", "Reflected-sky correction factors Omega_V and Omega_H of a wind-roughened sea");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, "freq", "Frequency, GHz (6.75 to 89)", true);
    options->Add(command, "transmittance", "Slant-path transmittance of the atmosphere (0 to 1)", true);
    options->Add(command, "angle", "Incidence angle, degrees (0 to 65)", true);
    options->Add(command, "wind", "Wind speed, m/s (0 to 20)", true);
    AddJsonFlag(command, context);
    command->callback([options, &context] {
        context.action = [options, &context] {
            const double f = options->Get("freq");
            const double tau = options->Get("transmittance");
            const double theta = options->Get("angle");
            const double w = options->Get("wind");
            CheckSkyCorrectionInputs(f, tau, theta, w);
            const EmissivityPair omega = ReflectedSkyCorrection(f, tau, theta, w);
            if (context.json) {
                PrintJson(context.out, Json{{"omegaV", omega.v}, {"omegaH", omega.h}});
            } else {
                PrintLines(context.out, {{"omegaV", omega.v, ""}, {"omegaH", omega.h, ""}});
            }
        };
    });
}

}  // namespace seasky::cli
