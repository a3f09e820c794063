// seasky sky-correction: the reflected-sky correction factors of a wind-roughened sea.
#include "app/model_outputs.h"
#include "app/validation.h"
#include "cli/commands.h"
#include "cli/model_arguments.h"

namespace seasky::cli {

void AddSkyCorrectionCommand(CLI::App& app, Context& context) {
    CLI::App* command = app.add_subcommand(
        "sky-correction", "Reflected-sky correction factors Omega_V and Omega_H of a wind-roughened sea");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, kSkyCorrectionInputs, Need::Required);
    auto models = std::make_shared<ModelArguments>();
    AddModelOptions(command, *models);
    AddJsonFlag(command, context);
    OnRun(command, context, options, [options, models, &context] {
        const std::array<double, kSkyCorrectionInputs.size()> inputs = options->Get(kSkyCorrectionInputs);
        const auto [f, tau, theta, w] = inputs;
        // The correction is the same for every surface model; the set is recorded.
        const ModelSet set = ModelSetOf(*models);
        // The ranges the correction tables cover, in argument order.
        ThrowIfRefused(FirstFailure({{Checked::Frequency, f},
                                     {Checked::Transmittance, tau},
                                     {Checked::Angle, theta},
                                     {Checked::Wind, w}}));
        const Json record = RecordJson(set, kSkyCorrectionInputs, inputs);
        PrintOutputs(context.out, context.json, kSkyCorrectionOutputs, SkyCorrectionValues(f, tau, theta, w), &record);
    });
}

}  // namespace seasky::cli
