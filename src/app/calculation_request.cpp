#include "app/calculation_request.h"

#include <cmath>

#include "app/calculation_cost.h"
#include "common/number_text.h"

namespace seasky {

std::optional<ValidationFailure> CheckCalculationRequest(const CalculationRequest& request) {
    const CalculationInputs& in = request.inputs;
    std::optional<ValidationFailure> failure = ValidateInputs(in, request.models);
    if (!failure) failure = CheckCalculationCost(in.frequency, in.bandwidth, request.profile, request.derivatives);
    return failure;
}

CalculationOutcome ComputeCalculationRequest(const CalculationRequest& request) {
    CalculationOutcome outcome;
    outcome.inputs = request.inputs;
    if (request.derivatives) {
        CalculationWithJacobian computed = CalculateWithJacobian(request.inputs, request.profile, request.models);
        outcome.result = computed.result;
        outcome.jacobian = std::move(computed.jacobian);
    } else {
        outcome.result = Calculate(request.inputs, request.profile, request.models);
    }
    return outcome;
}

CalculationOutcome RunCalculationRequest(const CalculationRequest& request) {
    if (std::optional<ValidationFailure> failure = CheckCalculationRequest(request)) {
        CalculationOutcome outcome;
        outcome.inputs = request.inputs;
        outcome.status = CalculationStatus::rangeError;
        outcome.message = failure->message;
        outcome.failure = std::move(failure);
        return outcome;
    }
    return ComputeCalculationRequest(request);
}

CalculationOutcome RunCalculationRequest(const CalculationInputs& inputs, const ProfileStore& profile,
                                         const ModelSet& models) {
    return RunCalculationRequest(CalculationRequest{inputs, ViewOf(profile), models, false});
}

CalculationOutcome RunCalculationRequest(const CalculationInputTexts& texts, char separator,
                                         const ProfileStore& profile, const ModelSet& models) {
    std::array<double, 7> values{};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::optional<double> value = ParseUserNumber(texts[i], separator);
        if (!value) {
            CalculationOutcome outcome;
            outcome.status = CalculationStatus::conversionError;
            outcome.message = ConversionErrorMessage(texts[i]);
            ValidationFailure failure;
            if (i < 6) {  // the six ranged inputs: their bounds from the table
                failure = *Check(static_cast<Checked>(i), std::nan(""));
                failure.quantity.reset();
            }
            failure.input = KeyOf(kCalculationInputs[i]);
            failure.value = std::nan("");
            failure.message = outcome.message;
            outcome.failure = failure;
            return outcome;
        }
        values[i] = *value;
    }
    return RunCalculationRequest(InputsOf(values), profile, models);
}

}  // namespace seasky
