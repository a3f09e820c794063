// Emissivity of the wind-roughened sea, 6-90 GHz, after Meissner and Wentz
// (2012), exactly as the model authors' public code computes it (routine
// fd_emiss of RSS_RTM_2012), in double precision: the model set "mw2012".
//
// Given:   frequencyGHz, the frequency in GHz (a double, used as given: nothing
//          is truncated to a frequency code; the authors' code refuses below
//          6.5 GHz); theta, the Earth incidence angle (degrees, 0 to 65; above
//          65 the angle laws are taken at 65); phi, the azimuth of the look
//          direction relative to the wind (degrees, 0 = looking upwind, 180 =
//          downwind: the code's wind direction relative to the look azimuth);
//          t, the sea temperature (degrees C); s, the salinity (per mille, psu);
//          w, the wind speed (m/s; the code accepts 0 to 40). The caller
//          validates the ranges.
// Returns: the flat-sea emissivities (V, H), the isotropic wind increments
//          (V, H), the wind-direction increments (V, H, HalfSum = (V + H)/2,
//          Difference = V - H, Third, Fourth) and total = (specular + wind) +
//          direction, dimensionless and not clamped; code = trunc(f x 100) for
//          the record only. Mw2012HarmonicAmplitudes returns the first- and
//          second-harmonic amplitudes of V, H, Third and Fourth.
//
// Notes:
//  - Flat sea: the Fresnel emissivities (flat_sea_emissivity.h) of the
//    permittivity of PermittivityVariant::AuthorsCode2012 (sea_water_permittivity.h)
//    at the frequency as given.
//  - Frequency: the wind tables have nodes at 6.8, 10.7, 18.7, 37.0 and 85.5 GHz
//    and are interpolated linearly in f between the two that bracket it
//    (f <= 10.7: 6.8-10.7, extrapolated below 6.8; 10.7 < f <= 18.7; 18.7 < f
//    <= 37: the 18.7-37 pair; above 37: the 37-85.5 pair, held at 85.5 above
//    85.5). The code's table has a 23.8 GHz node that it never uses.
//  - Wind: each power w^k (k = 1..5) of the polynomials is continued by its
//    tangent at 20 m/s above 20 m/s (so the polynomials are linear there).
//  - SST factor: at each node, 1 + c1 d + c2 d^2 + c3 d^3, d = t - 20 degrees C,
//    a fit of E0(t)/E0(20 C) (the paper's eq. (15)), with one row each for v, h
//    and nadir. It multiplies the isotropic v and h terms, the v and h harmonic
//    amplitudes, their mean the Third and Fourth amplitudes, and the nadir row
//    the nadir second harmonic.
//  - Isotropic wind: at 55.2 degrees the node polynomial times the SST factor;
//    with M = (V + H)/2, the increment is M + (theta/55.2)^p (E - M) up to 55.2
//    degrees (p = 4 for V, 1.5 for H) and E + (E - M) (min(theta, 65) - 55.2)
//    p/55.2 above.
//  - Direction: the v and h amplitudes of each harmonic (SST factor applied) are
//    formed into S1 = (v + h)/2 and S2 = v - h, interpolated in f, carried to the
//    angle by the law above with the nadir value y and the exponents of Table V
//    ((2, 2) for S1 and S4, (1, 4) for S2 and S3, first and second harmonic),
//    then turned back into v = S1 + S2/2 and h = S1 - S2/2. y = 0 except for the
//    second harmonic: +Y for S2 and -Y for S3, where Y is interpolated from the
//    node values 2 (1 - 0.9 log10(30 / min(f_node, 37)))/290 W (W - W^2/22.5)
//    / 55.5556 times the nadir SST factor, W = min(w, 15) m/s.
//  - Signs: V = a1_v cos phi + a2_v cos 2 phi (H alike); Third = a1_3 sin phi +
//    a2_3 sin 2 phi; Fourth is the code's value after its negation to the IEEE
//    convention (s4 = l - r): Fourth = a1_4 sin phi + a2_4 sin 2 phi with the
//    amplitudes a_4 returned already negated. These are the signs of the
//    default model's Third and Fourth (wind_direction_signal.h, whose fourth-
//    Stokes table carries the negated rows): at 55.2 degrees and 20 degrees C,
//    where both reduce to the published series, they agree to the rounding of
//    the default's coefficients.
//  - At w <= 3 m/s there is no direction signal: every amplitude is 0.
//  - Branches: theta at 55.2 and 65 degrees, w at 3, 15 and 20 m/s, t at 30
//    degrees C (permittivity), f at the nodes. The dual-number form gives the
//    derivative of the branch taken (t, s, w, phi, theta; not f).
//
// Where this model differs from the default model of the project
// (surface_emissivity.h):
//  1. Direction signal above 37 GHz: the code's 85.5 GHz direction node equals
//     its 37 GHz node, so above 37 GHz the amplitudes are those of 37 GHz (only
//     the SST factors change with f); the default has no direction signal above
//     code 3700. Below 10.65 GHz the code's 6.8 GHz node has Third and Fourth
//     rows (those of 10.7 GHz); the default has none below code 1065.
//  2. Isotropic wind: nodes 6.8 and 85.5 GHz, held above 85.5, interpolated in
//     f, against the default's 6.75 and 89 GHz (the same coefficients rounded to
//     six digits, at other node frequencies), extrapolated along the 6.75-89
//     line outside and interpolated in the truncated code. The temperature factor is the code's cubic fit per node;
//     the default takes the ratio of the flat-sea emissivities at 55.2 degrees
//     at the actual frequency and salinity. Above 55.2 degrees the code
//     extrapolates linearly (angle capped at 65), where the default continues
//     the power law. Above 20 m/s the code continues each power of w along its
//     tangent at 20 m/s; the default takes the line through the increments at
//     19 and 20 m/s.
//  3. Nadir second harmonic: the code uses the node frequencies capped at 37 GHz,
//     the factor 0.9 on log10(30/f), W capped at 15 m/s and the nadir SST
//     factor; the default's Y = w^2 (1 - w/22.5)/55.5556 (1 - log10(30/f))/145
//     at the code frequency, without cap or temperature factor.
//  4. SST factor on the direction terms: the code scales the amplitudes with
//     the sea temperature (release note 3 of the code); the default's direction
//     signal does not depend on t. The default's direction signal also has no
//     threshold at 3 m/s and continues its power law above 55.2 degrees.
//  5. Permittivity: the code's nu2 salinity factor 1 + s (b11 + b12 (t + 30)/2)
//     and b0 = -0.0033330, its straight-line nu1 salinity factor above
//     30 degrees C and its hold of t at -30.16 degrees C (sea_water_permittivity.h);
//     the default uses the published forms and b0 = -0.0033333.
//
// References: T. Meissner and F. J. Wentz, "The emissivity of the ocean surface
// between 6 and 90 GHz over a large range of wind speeds and Earth incidence
// angles", IEEE Trans. Geosci. Remote Sens. 50(8), 3004-3026, 2012 (sections IV
// and VI, eq. (14), (15), (24)-(26), Tables II-V). The authors' code:
// Remote-Sensing-Systems/RSS-Ocean-Surface-Emissivity-Model on GitHub (MIT
// licence), RSS_RTM_module.f90, routines fd_emiss, get_emiss_wind,
// get_aharm_phir, get_aharm_phir_nad, get_sst_fac and fd_xmea_win, with the
// tables finetune_emiss_wind.txt, fit_emiss_phir_wind.txt and
// em0_ref_freq_sst.txt (copied into mw2012_emissivity.cpp).
#pragma once

#include "common/dual.h"
#include "surface/surface_emissivity.h"
#include "surface/wind_direction_signal.h"

namespace seasky {

// First- and second-harmonic amplitudes of the wind-direction signal at the
// frequency and incidence angle: V = v.first cos phi + v.second cos 2 phi (H
// alike), Third = third.first sin phi + third.second sin 2 phi, Fourth alike
// (the amplitudes of Fourth in the IEEE sign, as Fourth itself).
template <class Real>
struct BasicMw2012Harmonics {
    BasicHarmonicAmplitudePair<Real> v;
    BasicHarmonicAmplitudePair<Real> h;
    BasicHarmonicAmplitudePair<Real> third;
    BasicHarmonicAmplitudePair<Real> fourth;
};
using Mw2012Harmonics = BasicMw2012Harmonics<double>;

// The emissivity and its parts (see the header block).
BasicSurfaceEmissivityTerms<double> Mw2012EmissivityParts(double frequencyGHz, double theta, double phi, double t,
                                                          double s, double w);
// The same with derivatives with respect to theta, phi, t, s and w (forward
// mode: the same operations on dual numbers, so the same values).
BasicSurfaceEmissivityTerms<CombineDual> Mw2012EmissivityParts(double frequencyGHz, const CombineDual& theta,
                                                               const CombineDual& phi, const CombineDual& t,
                                                               const CombineDual& s, const CombineDual& w);

// The eight harmonic amplitudes at frequencyGHz, incidence angle theta
// (degrees), sea temperature t (degrees C) and wind speed w (m/s); all 0 for
// w <= 3 m/s.
Mw2012Harmonics Mw2012HarmonicAmplitudes(double frequencyGHz, double theta, double t, double w);
BasicMw2012Harmonics<CombineDual> Mw2012HarmonicAmplitudes(double frequencyGHz, const CombineDual& theta,
                                                           const CombineDual& t, const CombineDual& w);

}  // namespace seasky
