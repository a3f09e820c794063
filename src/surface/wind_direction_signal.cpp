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
template <class Real>
struct AmplitudeInputs {
    const Real* wk;       // w^1 .. w^5
    Real angleFactor[5];  // angleFactor[e] = (theta / 55.2)^e for e = 1, 2, 4
    bool nadir;           // theta is exactly 0
    Real nadirY;          // NadirWindFactor(w) * NadirFrequencyFactor(code)
};

template <class Real>
Real WindFactor(const Real& w) {
    return (w * w - w * w * w * 0.044444444444444446) * 0.01799998560001152;
}

template <class Real>
AmplitudeInputs<Real> InputsOf(FrequencyCode code, const Real& theta, const BasicWindSpeedPowers<Real>& w) {
    using std::pow;
    AmplitudeInputs<Real> in{};
    in.wk = w.power;
    const Real ratio = theta / kDirectionReferenceAngle;
    for (int e : {1, 2, 4}) in.angleFactor[e] = pow(ratio, static_cast<double>(e));
    in.nadir = theta == 0.0;
    in.nadirY = WindFactor(w.w) * NadirFrequencyFactor(code);
    return in;
}

// Reference amplitude sum of T[row][k] w^k, k = 1..5, of one harmonic block,
// the terms added in increasing k.
template <class Real>
Real ReferenceAmplitude(const double (&block)[4][5], int row, const Real* wk) {
    Real a = 0.0;
    for (int k = 0; k < 5; ++k) a = a + block[row][k] * wk[k];
    return a;
}

// Reference amplitudes (at 55.2 degrees) of component c, one per harmonic. The
// first two table rows hold the v-pol and h-pol series of Meissner and Wentz
// (2012), Tables III and IV: with the published reading S1 = (v + h) / 2 and
// S2 = v - h are formed from them; with the sum-difference reading the rows are
// taken as S1 and S2 directly. The Stokes rows are S3 and S4 either way.
template <class Real>
BasicHarmonicAmplitudePair<Real> ReferenceAmplitudes(const WindDirectionCoefficients& t,
                                                     const AmplitudeInputs<Real>& in, int c, DirectionRows rows) {
    BasicHarmonicAmplitudePair<Real> a;
    Real* out[2] = {&a.first, &a.second};
    for (int h = 0; h < 2; ++h) {
        const double (&block)[4][5] = t.harmonic[h];
        if (rows == DirectionRows::SumDifference || c >= kThirdStokesComponent) {
            *out[h] = ReferenceAmplitude(block, c, in.wk);
        } else {
            const Real v = ReferenceAmplitude(block, kVerticalRow, in.wk);
            const Real hp = ReferenceAmplitude(block, kHorizontalRow, in.wk);
            *out[h] = c == kHalfSumComponent ? Real((v + hp) * 0.5) : Real(v - hp);
        }
    }
    return a;
}

// Amplitudes of component c at the incidence angle, from the coefficients taken
// at the frequency.
template <class Real>
BasicHarmonicAmplitudePair<Real> AmplitudesFrom(const WindDirectionCoefficients& t, const AmplitudeInputs<Real>& in,
                                                int c, DirectionRows rows) {
    const BasicHarmonicAmplitudePair<Real> reference = ReferenceAmplitudes(t, in, c, rows);
    // The first harmonic vanishes at nadir (and so does its derivative there:
    // the one-sided value of that branch).
    const Real first = in.nadir ? Real(0.0) : Real(in.angleFactor[kFirstHarmonicExponent[c]] * reference.first);
    // The second harmonic goes from its nadir value y at 0 degrees to its
    // reference value at 55.2.
    const Real y = kNadirSign[c] == 0.0 ? Real(0.0) : Real(in.nadirY * kNadirSign[c]);
    const Real second = y + in.angleFactor[kSecondHarmonicExponent[c]] * (reference.second - y);
    return {first, second};
}

template <class Real>
BasicDirectionalEmissivity<Real> Signal(FrequencyCode code, const Real& theta, const Real& phi,
                                        const BasicWindSpeedPowers<Real>& w, DirectionRows rows) {
    using std::cos;
    using std::sin;
    BasicDirectionalEmissivity<Real> d;
    if (code > kDirectionUpperCode) return d;

    // One interpolated table and one set of powers serve all four components: the
    // same numbers as four separate HarmonicAmplitudes calls. The Stokes rows are
    // interpolated only where they are used.
    const bool stokes = code >= kStokesLowerCode;
    WindDirectionCoefficients t{};
    InterpolateRows(code, kHalfSumComponent, stokes ? kFourthStokesComponent : kDifferenceComponent, t);
    const AmplitudeInputs<Real> in = InputsOf(code, theta, w);
    const BasicHarmonicAmplitudePair<Real> halfSum = AmplitudesFrom(t, in, kHalfSumComponent, rows);
    const BasicHarmonicAmplitudePair<Real> difference = AmplitudesFrom(t, in, kDifferenceComponent, rows);

    const Real p = phi * kDegreesToRadians;
    const Real q = (2.0 * phi) * kDegreesToRadians;
    const Real cosP = cos(p);
    const Real cosQ = cos(q);
    d.HalfSum = cosP * halfSum.first + cosQ * halfSum.second;
    d.Difference = cosP * difference.first + cosQ * difference.second;
    // V = HalfSum + Difference / 2 and H = HalfSum - Difference / 2.
    d.H = (2.0 * d.HalfSum - d.Difference) * 0.5;
    d.V = d.Difference + d.H;

    if (!stokes) return d;  // Third = Fourth = 0 below 1065
    const BasicHarmonicAmplitudePair<Real> third = AmplitudesFrom(t, in, kThirdStokesComponent, rows);
    const BasicHarmonicAmplitudePair<Real> fourth = AmplitudesFrom(t, in, kFourthStokesComponent, rows);
    const Real sinP = sin(p);
    const Real sinQ = sin(q);
    d.Third = sinP * third.first + sinQ * third.second;
    d.Fourth = sinP * fourth.first + sinQ * fourth.second;
    return d;
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

double NadirWindFactor(double w) { return WindFactor(w); }

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
    return Signal<double>(code, theta, phi, w, rows);
}

BasicDirectionalEmissivity<CombineDual> WindDirectionSignal(FrequencyCode code, const CombineDual& theta,
                                                            const CombineDual& phi,
                                                            const BasicWindSpeedPowers<CombineDual>& w,
                                                            DirectionRows rows) {
    return Signal<CombineDual>(code, theta, phi, w, rows);
}

}  // namespace seasky
