// The cost of one calculation, and its limits: a request beyond them is refused
// before anything is computed, by every front end alike.
//
// Given:   a profile and the passband of a calculation (its sub-bands), and
//          whether the derivatives are asked for.
// Returns: the levels, the 100 m grid layers, the sub-frequencies and the work
//          W = 13 x layers x sub-frequencies + levels x sub-frequencies (x 8
//          with derivatives), in units of one layer-direction term or one level
//          absorption.
//
// Notes:
//  - Per sub-frequency the transfer forms the absorption at every level (the
//    line sums of the gas models) and one emission term per grid layer and beam
//    direction (13 of them) for each observer end; everything else is a fixed
//    cost per sub-frequency or per level. The derivatives cost up to about
//    eight times the calculation (with their output), and hold about 450
//    bytes per level: with derivatives at most 25000 levels.
//  - Limits: at most 2000 sub-frequencies (a band of almost 200 GHz at the
//    0.1 GHz step) and W at most 3,000,000. The levels (at most 100000) and
//    the grid (heights within +-1000 km: at most 10000 layers) are bounded by
//    the level rules of the validation table. A profile 0-100 km at 100 m
//    (1001 levels) takes up to 214 sub-frequencies (a 21 GHz band at the
//    0.1 GHz step); 100000 levels take 29.
//  - On the 2-core development machine the worst accepted calculation takes
//    under a second and under 100 MB (bench/worst_case.py).
#pragma once

#include <optional>
#include <span>

#include "app/validation.h"
#include "atmosphere/atmosphere_radiation.h"
#include "common/records.h"

namespace seasky {

// The limits themselves are rows of the validation table (SubFrequencies,
// CalculationWork, DerivativeLevels).
inline constexpr double kDerivativeWorkFactor = 8.0;

struct CalculationCost {
    bool derivatives = false;
    double levels = 0.0;
    double layers = 0.0;
    double subFrequencies = 0.0;
    double work = 0.0;
};

CalculationCost CostOf(const ProfileView& profile, std::span<const SubBand> passband, bool derivatives = false);

// The limit a cost breaks: the sub-frequencies first, then (with derivatives)
// the levels, then the work.

std::optional<ValidationFailure> CheckCost(const CalculationCost& cost);

// Both for one calculation at frequency f with bandwidth band (GHz).
std::optional<ValidationFailure> CheckCalculationCost(double frequency, double band, const ProfileView& profile,
                                                      bool derivatives = false);

}  // namespace seasky
