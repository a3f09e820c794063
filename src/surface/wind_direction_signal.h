// Wind-direction dependence of the sea emissivity: first and second harmonics in
// the azimuth angle (cosine harmonics of the V/H half-sum and difference, sine
// harmonics of the third and fourth Stokes parameters), with amplitudes that are
// fifth-degree polynomials in wind speed at 55.2 degrees, carried to the actual
// incidence angle by power laws.
#pragma once

#include "common/constants.h"
#include "common/records.h"
#include "surface/wind_speed_powers.h"

namespace seasky {

// Stokes components, in table order.
inline constexpr int kHalfSumComponent = 0;     // directional term of (V + H) / 2
inline constexpr int kDifferenceComponent = 1;  // directional term of V - H
inline constexpr int kThirdStokesComponent = 2;
inline constexpr int kFourthStokesComponent = 3;

// Polynomial coefficients of the harmonic amplitudes at one frequency:
// harmonic[h - 1][c][k - 1] multiplies the k-th power of the wind speed (m/s) in
// the amplitude of harmonic h (1, 2) of component c (0..3).
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
struct HarmonicAmplitudePair {
    double first = 0.0;
    double second = 0.0;
};

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

// Amplitudes (A1, A2) of component c (0..3) at incidence angle theta (degrees) and
// wind speed w (m/s). At nadir the first harmonic vanishes and the second takes
// its nadir value: +Y for the difference, -Y for the third Stokes parameter and 0
// for the others.
HarmonicAmplitudePair HarmonicAmplitudes(FrequencyCode code, double theta, double w, int c);

// Directional increments of the emissivity and the Stokes terms at incidence
// angle theta and azimuth phi (both degrees) and wind speed w (m/s). All zero above
// 37 GHz; Third and Fourth are zero below code 1065.
DirectionalEmissivity WindDirectionSignal(FrequencyCode code, double theta, double phi, double w);
// The same with the wind powers already formed, for callers that share them.
DirectionalEmissivity WindDirectionSignal(FrequencyCode code, double theta, double phi, const WindSpeedPowers& w);

}  // namespace seasky
