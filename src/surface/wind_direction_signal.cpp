#include "surface/wind_direction_signal.h"

#include <cmath>

#include "common/interpolate.h"

namespace seasky {

namespace {

// Angle exponents (1, 2 or 4) of the first and second harmonic, by component.
constexpr int kFirstHarmonicExponent[4] = {2, 1, 1, 2};
constexpr int kSecondHarmonicExponent[4] = {2, 4, 4, 2};

// Sign of the nadir value Y of the second harmonic, by component (0: no nadir value).
constexpr double kNadirSign[4] = {0.0, 1.0, -1.0, 0.0};

const WindDirectionCoefficients& NodeCoefficients(FrequencyCode code) {
    for (const WindDirectionNodeEntry& node : kWindDirectionNodes)
        if (node.code == code) return node.coefficients;
    return kWindDirectionNodes[0].coefficients;  // not a node: never asked for
}

// The bracketing nodes of a code, by floating-point comparison.
struct Bracket {
    FrequencyCode lo;
    FrequencyCode hi;
};

Bracket BracketOf(FrequencyCode code) {
    const double x = code;
    if (x >= 675.0 && x < 1065.0) return {675, 1070};
    if (x >= 1065.0 && x < 1870.0) return {1070, 1870};
    if (x >= 1870.0 && x <= 3700.0) return {1870, 3700};
    return {675, 3700};
}

// Interpolates the rows of components first..last (both harmonics) into out.
void InterpolateRows(FrequencyCode code, int first, int last, WindDirectionCoefficients& out) {
    const Bracket b = BracketOf(code);
    const WindDirectionCoefficients& lo = NodeCoefficients(b.lo);
    const WindDirectionCoefficients& hi = NodeCoefficients(b.hi);
    const double x0 = b.lo;
    const double x1 = b.hi;
    const double x = code;
    for (int h = 0; h < 2; ++h)
        for (int c = first; c <= last; ++c)
            for (int k = 0; k < 5; ++k)
                out.harmonic[h][c][k] = LinearInterpolate(x0, lo.harmonic[h][c][k], x1, hi.harmonic[h][c][k], x);
}

// What the amplitudes of every component share at one code, angle and wind speed.
struct AmplitudeInputs {
    const double* wk;       // w^1 .. w^5
    double angleFactor[5];  // angleFactor[e] = (theta / 55.2)^e for e = 1, 2, 4
    bool nadir;             // theta is exactly 0
    double nadirY;          // NadirWindFactor(w) * NadirFrequencyFactor(code)
};

AmplitudeInputs InputsOf(FrequencyCode code, double theta, const WindSpeedPowers& w) {
    AmplitudeInputs in{};
    in.wk = w.power;
    const double ratio = theta / kDirectionReferenceAngle;
    for (int e : {1, 2, 4}) in.angleFactor[e] = std::pow(ratio, static_cast<double>(e));
    in.nadir = theta == 0.0;
    in.nadirY = NadirWindFactor(w.w) * NadirFrequencyFactor(code);
    return in;
}

// Reference amplitude sum of T[row][k] w^k, k = 1..5, of one harmonic block,
// the terms added in increasing k.
double ReferenceAmplitude(const double (&block)[4][5], int row, const double* wk) {
    double a = 0.0;
    for (int k = 0; k < 5; ++k) a = a + block[row][k] * wk[k];
    return a;
}

// Reference amplitudes (at 55.2 degrees) of component c, one per harmonic. The
// first two table rows hold the v-pol and h-pol series of Meissner and Wentz
// (2012), Tables III and IV: with the published reading S1 = (v + h) / 2 and
// S2 = v - h are formed from them; with the sum-difference reading the rows are
// taken as S1 and S2 directly. The Stokes rows are S3 and S4 either way.
HarmonicAmplitudePair ReferenceAmplitudes(const WindDirectionCoefficients& t, const AmplitudeInputs& in, int c,
                                          DirectionRows rows) {
    HarmonicAmplitudePair a;
    double* out[2] = {&a.first, &a.second};
    for (int h = 0; h < 2; ++h) {
        const double (&block)[4][5] = t.harmonic[h];
        if (rows == DirectionRows::SumDifference || c >= kThirdStokesComponent) {
            *out[h] = ReferenceAmplitude(block, c, in.wk);
        } else {
            const double v = ReferenceAmplitude(block, kVerticalRow, in.wk);
            const double hp = ReferenceAmplitude(block, kHorizontalRow, in.wk);
            *out[h] = c == kHalfSumComponent ? (v + hp) * 0.5 : v - hp;
        }
    }
    return a;
}

// Amplitudes of component c at the incidence angle, from the coefficients taken
// at the frequency.
HarmonicAmplitudePair AmplitudesFrom(const WindDirectionCoefficients& t, const AmplitudeInputs& in, int c,
                                     DirectionRows rows) {
    const HarmonicAmplitudePair reference = ReferenceAmplitudes(t, in, c, rows);
    // The first harmonic vanishes at nadir.
    const double first = in.nadir ? 0.0 : in.angleFactor[kFirstHarmonicExponent[c]] * reference.first;
    // The second harmonic goes from its nadir value y at 0 degrees to its
    // reference value at 55.2.
    const double y = kNadirSign[c] == 0.0 ? 0.0 : in.nadirY * kNadirSign[c];
    const double second = y + in.angleFactor[kSecondHarmonicExponent[c]] * (reference.second - y);
    return {first, second};
}

}  // namespace

WindDirectionCoefficients WindDirectionNode(FrequencyCode code) { return NodeCoefficients(code); }

WindDirectionCoefficients InterpolateWindDirectionCoefficients(FrequencyCode code) {
    WindDirectionCoefficients result{};
    InterpolateRows(code, kHalfSumComponent, kFourthStokesComponent, result);
    return result;
}

double NadirFrequencyFactor(FrequencyCode code) {
    const double f = FrequencyOfCode(code);  // GHz
    return (1.0 - std::log10(30.0 / f)) * 0.006896551724137931;
}

double NadirWindFactor(double w) {
    return (w * w - w * w * w * 0.044444444444444446) * 0.01799998560001152;
}

HarmonicAmplitudePair HarmonicAmplitudes(FrequencyCode code, double theta, double w, int c, DirectionRows rows) {
    const WindSpeedPowers powers = WindSpeedPowersOf(w);
    return AmplitudesFrom(InterpolateWindDirectionCoefficients(code), InputsOf(code, theta, powers), c, rows);
}

DirectionalEmissivity WindDirectionSignal(FrequencyCode code, double theta, double phi, double w, DirectionRows rows) {
    if (code > kDirectionUpperCode) return {};
    return WindDirectionSignal(code, theta, phi, WindSpeedPowersOf(w), rows);
}

DirectionalEmissivity WindDirectionSignal(FrequencyCode code, double theta, double phi, const WindSpeedPowers& w,
                                          DirectionRows rows) {
    DirectionalEmissivity d;
    if (code > kDirectionUpperCode) return d;

    // One interpolated table and one set of powers serve all four components: the
    // same numbers as four separate HarmonicAmplitudes calls. The Stokes rows are
    // interpolated only where they are used.
    const bool stokes = code >= kStokesLowerCode;
    WindDirectionCoefficients t{};
    InterpolateRows(code, kHalfSumComponent, stokes ? kFourthStokesComponent : kDifferenceComponent, t);
    const AmplitudeInputs in = InputsOf(code, theta, w);
    const HarmonicAmplitudePair halfSum = AmplitudesFrom(t, in, kHalfSumComponent, rows);
    const HarmonicAmplitudePair difference = AmplitudesFrom(t, in, kDifferenceComponent, rows);

    const double p = phi * kDegreesToRadians;
    const double q = (2.0 * phi) * kDegreesToRadians;
    const double cosP = std::cos(p);
    const double cosQ = std::cos(q);
    d.HalfSum = cosP * halfSum.first + cosQ * halfSum.second;
    d.Difference = cosP * difference.first + cosQ * difference.second;
    // V = HalfSum + Difference / 2 and H = HalfSum - Difference / 2.
    d.H = (2.0 * d.HalfSum - d.Difference) * 0.5;
    d.V = d.Difference + d.H;

    if (!stokes) return d;  // Third = Fourth = 0 below 1065
    const HarmonicAmplitudePair third = AmplitudesFrom(t, in, kThirdStokesComponent, rows);
    const HarmonicAmplitudePair fourth = AmplitudesFrom(t, in, kFourthStokesComponent, rows);
    const double sinP = std::sin(p);
    const double sinQ = std::sin(q);
    d.Third = sinP * third.first + sinQ * third.second;
    d.Fourth = sinP * fourth.first + sinQ * fourth.second;
    return d;
}

}  // namespace seasky
