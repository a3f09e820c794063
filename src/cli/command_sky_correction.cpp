// seasky sky-correction: the reflected-sky correction factors of a wind-roughened sea.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

namespace {

// The correction is the same for every surface model; the set is recorded.
void RunSkyCorrection(Context& context, const std::array<double, kSkyCorrectionInputs.size()>& in,
                      const ModelSet& set) {
    const auto [f, tau, theta, w] = in;
    // The ranges the correction tables cover, in argument order.
    ThrowIfRefused(FirstFailure(
        {{Checked::Frequency, f}, {Checked::Transmittance, tau}, {Checked::Angle, theta}, {Checked::Wind, w}}));
    PrintModelOutputs(context, set, kSkyCorrectionInputs, in, kSkyCorrectionOutputs,
                      SkyCorrectionValues(f, tau, theta, w));
}

}  // namespace

void AddSkyCorrectionCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "sky-correction", "Reflected-sky correction factors Omega_V and Omega_H of a wind-roughened sea");
    AddModelRun(command, context, kSkyCorrectionInputs, {}, RunSkyCorrection);
}

}  // namespace seasky::cli
