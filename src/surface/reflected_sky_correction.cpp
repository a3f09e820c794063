#include "surface/reflected_sky_correction.h"

#include "common/dual.h"
#include "common/interpolate.h"
#include "surface/sky_correction_table.h"

namespace seasky {

namespace {

// One bracket of an input: from `from` (inclusive) up to the next bracket's
// `from` (exclusive) the input lies between the nodes `lower` and `upper`.
struct Bracket {
    double from;
    double lower;
    double upper;
};

// The lowest frequency bracket starts at 6.75 GHz, below its lower node, so
// 6.75 to 6.8 GHz extrapolates along the 6.8-10.7 GHz line.
inline constexpr std::array<Bracket, 5> kFrequencyBrackets{{
    {6.75, 6.8, 10.7},
    {10.7, 10.7, 18.7},
    {18.7, 18.7, 23.8},
    {23.8, 23.8, 37.0},
    {37.0, 37.0, 89.0},
}};

// Above 0.95 the transmittance is held at 0.95: both nodes are 0.95.
inline constexpr std::array<Bracket, 8> kTransmittanceBrackets{{
    {0.0, 0.0, 0.2},
    {0.2, 0.2, 0.4},
    {0.4, 0.4, 0.6},
    {0.6, 0.6, 0.7},
    {0.7, 0.7, 0.8},
    {0.8, 0.8, 0.9},
    {0.9, 0.9, 0.95},
    {0.95, 0.95, 0.95},
}};

inline constexpr std::array<Bracket, 4> kAngleBrackets{{
    {0.0, 0.0, 30.0},
    {30.0, 30.0, 45.0},
    {45.0, 45.0, 55.0},
    {55.0, 55.0, 65.0},
}};

// The bracket holding x: the last one whose start x reaches. Below the first
// start (outside the stated input ranges) the first bracket is used.
template <std::size_t N>
const Bracket& FindBracket(const std::array<Bracket, N>& brackets, double x) {
    std::size_t k = 0;
    while (k + 1 < N && x >= brackets[k + 1].from) ++k;
    return brackets[k];
}

// Position of a node in the grid's node list (exact equality: brackets and rows
// carry the same doubles).
template <std::size_t N>
int NodeIndex(const std::array<double, N>& nodes, double node) {
    int i = 0;
    while (i + 1 < static_cast<int>(N) && nodes[i] != node) ++i;
    return i;
}

// The row of the grid point (angle, frequency, transmittance), by its position
// in the regular grid.
const SkyCorrectionRow& CornerRow(const SkyCorrectionTable& table, double angle, double frequency,
                                  double transmittance) {
    const int a = NodeIndex(SkyCorrectionAngles, angle);
    const int f = NodeIndex(SkyCorrectionFrequencies, frequency);
    const int t = NodeIndex(SkyCorrectionTransmittances, transmittance);
    return table[(a * kSkyCorrectionFrequencyCount + f) * kSkyCorrectionTransmittanceCount + t];
}

// The cubic u = (w - 10) * 0.1, ((a1*u + a0) + a2*u*u) + a3*u*u*u.
template <class Real>
Real Cubic(const Real& w, double a0, double a1, double a2, double a3) {
    const Real u = (w - 10.0) * 0.1;
    return ((a1 * u + a0) + a2 * u * u) + a3 * u * u * u;
}

// The cubic of one corner at wind speed w.
template <class Real>
Real CornerValue(const SkyCorrectionTable& table, double angle, double frequency, double transmittance,
                 const Real& w) {
    const SkyCorrectionRow& row = CornerRow(table, angle, frequency, transmittance);
    return Cubic(w, row.a0, row.a1, row.a2, row.a3);
}

// Omega of one table: linear in transmittance, then frequency, then angle.
// Within a bracket the derivatives are those of these lines; at a node the
// bracket that starts there is used (the derivative from above).
template <class Real>
Real InterpolateTable(const SkyCorrectionTable& table, const Bracket& fb, const Bracket& tb, const Bracket& ab,
                      double f, const Real& tau, const Real& theta, const Real& w) {
    Real q[2];  // Q(theta0), Q(theta1)
    const double angles[2] = {ab.lower, ab.upper};
    for (int i = 0; i < 2; ++i) {
        Real p[2];  // P(theta, f0), P(theta, f1)
        const double frequencies[2] = {fb.lower, fb.upper};
        for (int j = 0; j < 2; ++j) {
            const Real c0 = CornerValue(table, angles[i], frequencies[j], tb.lower, w);
            const Real c1 = CornerValue(table, angles[i], frequencies[j], tb.upper, w);
            p[j] = LinearInterpolateT(tb.lower, c0, tb.upper, c1, tau);
        }
        q[i] = LinearInterpolateT(fb.lower, p[0], fb.upper, p[1], f);
    }
    return LinearInterpolateT(ab.lower, q[0], ab.upper, q[1], theta);
}

template <class Real>
BasicEmissivityPair<Real> Correction(double f, const Real& tau, const Real& theta, const Real& w) {
    const Bracket& fb = FindBracket(kFrequencyBrackets, f);
    const Bracket& tb = FindBracket(kTransmittanceBrackets, ValueOf(tau));
    const Bracket& ab = FindBracket(kAngleBrackets, ValueOf(theta));
    return {InterpolateTable(SkyCorrectionTableV, fb, tb, ab, f, tau, theta, w),
            InterpolateTable(SkyCorrectionTableH, fb, tb, ab, f, tau, theta, w)};
}

}  // namespace

double SkyCorrectionCubic(double w, double a0, double a1, double a2, double a3) { return Cubic(w, a0, a1, a2, a3); }

EmissivityPair ReflectedSkyCorrection(double f, double tau, double theta, double w) {
    return Correction<double>(f, tau, theta, w);
}

BasicEmissivityPair<CombineDual> ReflectedSkyCorrection(double f, const CombineDual& tau, const CombineDual& theta,
                                                        const CombineDual& w) {
    return Correction<CombineDual>(f, tau, theta, w);
}

}  // namespace seasky
