// The single-calculation request: one function that checks the inputs, checks
// the cost and computes, with or without derivatives. The window, seasky calc,
// seasky sweep and Python's calculate call it and compose nothing themselves,
// so that a new limit or rule is added here once.
//
// Given:   the seven inputs (app/calculation.h), a profile, the model set
//          (app/model_set.h) and whether the derivatives are wanted.
// Returns: the outcome: ok with the result (and the derivatives when asked),
//          or the first refusal: the inputs in the order of ValidateInputs
//          (with the model set's ranges), then the cost (calculation_cost.h:
//          sub-frequencies, the derivative level limit, the work).
//
// Notes: a front end that must refuse before it has a profile (the window and
// seasky calc report a bad input before a bad profile file) calls
// ValidateInputs first with the same model set; the request checks again, at
// no cost worth naming. A sweep checks every request before it computes any
// (CheckCalculationRequest, then ComputeCalculationRequest).
#pragma once

#include <optional>
#include <string>

#include "app/calculation.h"
#include "app/jacobian.h"
#include "app/model_set.h"

namespace seasky {

struct CalculationRequest {
    CalculationInputs inputs;
    ProfileView profile;
    ModelSet models;
    bool derivatives = false;
};

enum class CalculationStatus { ok, conversionError, rangeError };

struct CalculationOutcome {
    CalculationStatus status = CalculationStatus::ok;
    std::string message;                       // the conversion or range message when not ok
    std::optional<ValidationFailure> failure;  // the same, with its fields
    CalculationInputs inputs;                  // the converted inputs (when converted)
    CalculationResult result;                  // when ok
    std::optional<Jacobian> jacobian;          // when ok and the derivatives were asked for
};

// The first refusal of a request, or nothing.
std::optional<ValidationFailure> CheckCalculationRequest(const CalculationRequest& request);

// The calculation of a request that CheckCalculationRequest accepted.
CalculationOutcome ComputeCalculationRequest(const CalculationRequest& request);

// Checks, then computes.
CalculationOutcome RunCalculationRequest(const CalculationRequest& request);

// The same for inputs held as numbers and a profile store (no derivatives).
CalculationOutcome RunCalculationRequest(const CalculationInputs& inputs, const ProfileStore& profile,
                                         const ModelSet& models = {});

// The window's request: converts the seven texts with the user's decimal
// separator (all seven before any check), then as above.
CalculationOutcome RunCalculationRequest(const CalculationInputTexts& texts, char separator,
                                         const ProfileStore& profile, const ModelSet& models = {});

}  // namespace seasky
