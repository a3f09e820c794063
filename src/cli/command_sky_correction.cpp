// seasky sky-correction: the reflected-sky correction factors of a wind-roughened sea.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"

namespace seasky::cli {

void AddSkyCorrectionCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "sky-correction", "Reflected-sky correction factors Omega_V and Omega_H of a wind-roughened sea");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, kSkyCorrectionInputs, Need::Required);
    AddJsonFlag(command, context);
    OnRun(command, context, options, [options, &context] {
        const auto [f, tau, theta, w] = options->Get(kSkyCorrectionInputs);
        // The ranges the correction tables cover, in argument order.
        ThrowIfRefused(FirstFailure({{Checked::Frequency, f},
                                     {Checked::Transmittance, tau},
                                     {Checked::Angle, theta},
                                     {Checked::Wind, w}}));
        PrintOutputs(context.out, context.json, kSkyCorrectionOutputs, SkyCorrectionValues(f, tau, theta, w));
    });
}

}  // namespace seasky::cli
