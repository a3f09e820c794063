// Wind-direction (azimuthal) signal of the sea-surface emissivity.
//
// Given:   frequency code (GHz x 100, truncated; see common/frequency.h), incidence
//          angle theta (degrees, 0 to 65), azimuth phi of the look direction
//          relative to the wind (degrees, 0 = looking upwind), wind speed w (m/s,
//          0 to 20 validated; larger w runs along the same polynomials).
// Returns: dimensionless increments of the V and H emissivities and the
//          directional terms S1 = (v + h)/2, S2 = v - h, S3 (third Stokes) and
//          S4 (fourth Stokes), each a sum of a first and a second harmonic in phi
//          (cosine harmonics for S1 and S2, sine harmonics for S3 and S4).
//
// Notes:
//  - The harmonic amplitudes at the reference angle 55.2 degrees are fifth-degree
//    polynomials in w with coefficients at 6.75, 10.7, 18.7 and 37.0 GHz, linear
//    in the frequency code between nodes (codes 1065..1069 use the 10.7-18.7 pair).
//    For components 0 and 1 the node table holds the v-pol and h-pol series of the
//    paper; S1 and S2 are formed from them before the angle law is applied
//    (DirectionRows::VerticalHorizontal, the default). DirectionRows::SumDifference
//    takes the two rows as S1 and S2 directly, a reading that is kept only to
//    reproduce results made with it; it differs by up to about 0.011 in emissivity
//    (about 3 K in brightness) at 6.75-37 GHz.
//  - Angle law (Table V of the paper): A1(theta) = (theta/55.2)^e1 A1, and
//    A2(theta) = y + (theta/55.2)^e2 (A2 - y), with (e1, e2) = (2, 2) for S1 and
//    S4 and (1, 4) for S2 and S3; the nadir value y is +Y for S2, -Y for S3 and 0
//    otherwise, Y = w^2 (1 - w/22.5)/55.5556 (1 - log10(30/f))/145.
//  - No signal above code 3700 (37 GHz); no S3 or S4 signal below code 1065. The
//    6.75 GHz node has no S3 and S4 rows (zero here: they never reach a result).
//
// Reference: T. Meissner and F. J. Wentz, "The emissivity of the ocean surface
// between 6 and 90 GHz over a large range of wind speeds and Earth incidence
// angles", IEEE Transactions on Geoscience and Remote Sensing, vol. 50, no. 8,
// pp. 3004-3026, 2012: eq. (24)-(25), Tables III and IV (coefficients, rows
// p = v and p = h), Table V (angle exponents for S1..S4).
#pragma once

#include "common/constants.h"
#include "common/dual.h"
#include "common/records.h"
#include "surface/wind_speed_powers.h"

namespace seasky {

// Directional components S1..S4, the index c of HarmonicAmplitudes.
inline constexpr int kHalfSumComponent = 0;     // S1, directional term of (V + H) / 2
inline constexpr int kDifferenceComponent = 1;  // S2, directional term of V - H
inline constexpr int kThirdStokesComponent = 2;
inline constexpr int kFourthStokesComponent = 3;

// Rows of the coefficient table: the v-pol and h-pol series, then S3 and S4.
inline constexpr int kVerticalRow = 0;
inline constexpr int kHorizontalRow = 1;

// How the first two rows of the coefficient table are read.
enum class DirectionRows {
    VerticalHorizontal,  // as published: the v-pol and h-pol series (default)
    SumDifference,       // as S1 and S2 directly (for reproducing results made so)
};

// Polynomial coefficients of the harmonic amplitudes at one frequency:
// harmonic[h - 1][r][k - 1] multiplies the k-th power of the wind speed (m/s) in
// the amplitude of harmonic h (1, 2) of table row r (v, h, S3, S4).
struct WindDirectionCoefficients {
    double harmonic[2][4][5];
};

// One frequency node of the coefficient table.
struct WindDirectionNodeEntry {
    FrequencyCode code;
    WindDirectionCoefficients coefficients;
};

// The four frequency nodes: 6.75, 10.7, 18.7 and 37.0 GHz. The 6.75 GHz node has
// no third- and fourth-Stokes rows (zero here; they never reach a result), and
// the first harmonic of the fourth Stokes parameter is zero everywhere.
inline constexpr WindDirectionNodeEntry kWindDirectionNodes[4] = {
    {675,
     {{{{4.46633e-07, 3.34314e-07, 3.12587e-06, -1.99336e-07, 3.55175e-09},
        {2.17314e-05, -1.54052e-06, 7.43743e-07, -3.32899e-08, 3.04367e-10},
        {0.0, 0.0, 0.0, 0.0, 0.0},
        {0.0, 0.0, 0.0, 0.0, 0.0}},
       {{0.000221863, -0.000118053, 1.68718e-05, -8.94076e-07, 1.60273e-08},
        {-3.50262e-06, 1.02052e-05, -5.28636e-06, 3.82864e-07, -7.87283e-09},
        {0.0, 0.0, 0.0, 0.0, 0.0},
        {0.0, 0.0, 0.0, 0.0, 0.0}}}}},
    {1070,
     {{{{4.96132e-05, -2.90991e-05, 9.05913e-06, -5.73703e-07, 1.10332e-08},
        {-2.20699e-05, 8.9218e-06, 4.69873e-08, -2.41047e-08, 5.7112e-10},
        {-8.48737e-05, 5.35295e-05, -1.16605e-05, 6.83923e-07, -1.27622e-08},
        {0.0, 0.0, 0.0, 0.0, 0.0}},
       {{0.000148213, -7.15954e-05, 1.01992e-05, -5.41575e-07, 9.71451e-09},
        {-8.09058e-05, 6.0693e-05, -1.425e-05, 8.86313e-07, -1.6934e-08},
        {-0.000190531, 0.000109714, -1.97712e-05, 1.10888e-06, -1.9698e-08},
        {-9.49332e-05, 3.91201e-05, -1.64418e-06, -2.12315e-08, 1.47529e-09}}}}},
    {1870,
     {{{{-4.88686e-05, -2.26779e-06, 9.94735e-06, -7.5156e-07, 1.554e-08},
        {3.95872e-05, -2.88339e-05, 6.61597e-06, -4.08181e-07, 7.87906e-09},
        {-3.2935e-05, 4.32977e-05, -1.33822e-05, 8.75024e-07, -1.74093e-08},
        {0.0, 0.0, 0.0, 0.0, 0.0}},
       {{0.00012186, -6.39714e-05, 9.341e-06, -5.24394e-07, 9.97506e-09},
        {0.000265036, -9.32568e-05, 1.41605e-06, 2.98507e-07, -9.64763e-09},
        {0.000166139, -4.39714e-05, -5.42274e-06, 6.82097e-07, -1.69151e-08},
        {-0.000162337, 7.13779e-05, -5.42054e-06, 1.26564e-07, -3.00476e-10}}}}},
    {3700,
     {{{{-0.000241163, 7.66737e-05, 3.65641e-06, -5.59326e-07, 1.35655e-08},
        {-5.43465e-05, 2.2436e-05, 1.16736e-06, -1.58769e-07, 3.60149e-09},
        {0.000255925, -0.000102271, 3.06653e-06, 6.84854e-08, -2.8383e-09},
        {0.0, 0.0, 0.0, 0.0, 0.0}},
       {{0.00023525, -0.000124502, 1.48805e-05, -7.07241e-07, 1.18776e-08},
        {0.000726916, -0.000284727, 2.20935e-05, -5.68143e-07, 3.00983e-09},
        {0.000137851, -1.58017e-05, -9.08052e-06, 9.03144e-07, -2.167e-08},
        {-0.000133456, 7.09317e-05, -8.67173e-06, 3.9891e-07, -6.31997e-09}}}}},
};

// Reference incidence angle of the amplitudes, degrees.
inline constexpr double kDirectionReferenceAngle = 55.2;
// No directional signal above this code (37 GHz); no third and fourth Stokes
// signal below the other.
inline constexpr FrequencyCode kDirectionUpperCode = 3700;
inline constexpr FrequencyCode kStokesLowerCode = 1065;

// First- and second-harmonic amplitudes of one component.
template <class Real>
struct BasicHarmonicAmplitudePair {
    Real first = 0.0;
    Real second = 0.0;
};
using HarmonicAmplitudePair = BasicHarmonicAmplitudePair<double>;

// Stored coefficients of the node with the given code (one of 675, 1070, 1870, 3700).
WindDirectionCoefficients WindDirectionNode(FrequencyCode code);

// Coefficients at the frequency code, interpolated linearly between the bracketing
// nodes. Codes 1065..1069 use the 10.7-18.7 GHz pair, so the 6.75 GHz node never
// serves a frequency with a Stokes signal.
WindDirectionCoefficients InterpolateWindDirectionCoefficients(FrequencyCode code);

// Frequency factor (1 - log10(30 / f)) / 145 of the second-harmonic amplitude at
// nadir, f = code x 0.01 GHz.
double NadirFrequencyFactor(FrequencyCode code);

// Wind factor w^2 (1 - w / 22.5) / 55.5556 of the second-harmonic amplitude at
// nadir, w in m/s.
double NadirWindFactor(double w);

// Amplitudes (A1, A2) of component c (0..3: S1, S2, S3, S4) at incidence angle
// theta (degrees) and wind speed w (m/s). At nadir the first harmonic vanishes
// and the second takes its nadir value: +Y for S2, -Y for S3 and 0 for S1, S4.
HarmonicAmplitudePair HarmonicAmplitudes(FrequencyCode code, double theta, double w, int c,
                                         DirectionRows rows = DirectionRows::VerticalHorizontal);

// Directional increments of the emissivity and the Stokes terms at incidence
// angle theta and azimuth phi (both degrees) and wind speed w (m/s):
// HalfSum = S1 and Difference = S2 (cosine harmonics), V = S1 + S2/2,
// H = S1 - S2/2, Third = S3 and Fourth = S4 (sine harmonics). All zero above
// 37 GHz; Third and Fourth are zero below code 1065.
DirectionalEmissivity WindDirectionSignal(FrequencyCode code, double theta, double phi, double w,
                                          DirectionRows rows = DirectionRows::VerticalHorizontal);
// The same with the wind powers already formed, for callers that share them.
DirectionalEmissivity WindDirectionSignal(FrequencyCode code, double theta, double phi, const WindSpeedPowers& w,
                                          DirectionRows rows = DirectionRows::VerticalHorizontal);
// The same with derivatives with respect to theta, phi and w (forward mode). At
// theta = 0 exactly the first harmonic is 0 and so is its derivative: the value
// of the branch taken there.
BasicDirectionalEmissivity<CombineDual> WindDirectionSignal(FrequencyCode code, const CombineDual& theta,
                                                            const CombineDual& phi,
                                                            const BasicWindSpeedPowers<CombineDual>& w,
                                                            DirectionRows rows);

}  // namespace seasky
