#include "surface/mw2012_emissivity.h"

#include <array>
#include <cmath>

#include "common/constants.h"
#include "surface/flat_sea_emissivity.h"
#include "surface/sea_water_permittivity.h"

namespace seasky {

namespace {

// ---- Coefficient tables of the authors' code ----
//
// Copied from Remote-Sensing-Systems/RSS-Ocean-Surface-Emissivity-Model (GitHub,
// MIT licence, Copyright Remote Sensing Systems), the versions stored with
// commit 5b97a042ede136740cb547840d34ae500a68b4c7; the reference values of the
// tests (tests/data/surface-mw2012-published-reference.csv) were made with the
// code at commit 7c37ffb19d6d01cd1d574a8c6840290930160042 and are reproduced
// with these tables to 1e-12. Each value is the decimal of the file (format
// e20.8), read as a double as the code rebuilt in double precision reads it.
// Nodes: 6.8, 10.7, 18.7, 23.8, 37.0 and 85.5 GHz (the code never reads 23.8).

constexpr int kNodes = 6;
constexpr double kNodeGHz[kNodes] = {6.8, 10.7, 18.7, 23.8, 37.0, 85.5};

// finetune_emiss_wind.txt (acoef(k, pol, node)): the isotropic wind-induced
// emissivity at 55.2 degrees and 20 degrees C (the paper's Table II), the
// coefficient of w^k, k = 1..5, for v and h, here [node][pol][k - 1].
constexpr double kIsotropicWind[kNodes][2][5] = {
    // 6.8 GHz: v, h
    {{0.49672606E-04, -0.30336253E-03, 0.56050583E-04, -0.28640784E-05, 0.48880263E-07},
     {0.38574983E-02, -0.51084440E-03, 0.48946913E-04, -0.15055219E-05, 0.12030567E-07}},
    // 10.7 GHz: v, h
    {{-0.23546441E-03, -0.27686646E-03, 0.57358266E-04, -0.29436449E-05, 0.48942081E-07},
     {0.41764951E-02, -0.62075100E-03, 0.68260742E-04, -0.24798182E-05, 0.28015490E-07}},
    // 18.7 GHz: v, h
    {{0.32650150E-04, -0.36593547E-03, 0.66280736E-04, -0.34070451E-05, 0.58123060E-07},
     {0.50632986E-02, -0.74132398E-03, 0.85444561E-04, -0.32822461E-05, 0.40194998E-07}},
    // 23.8 GHz: v, h
    {{-0.15816801E-03, -0.32865611E-03, 0.59694245E-04, -0.30135486E-05, 0.50414862E-07},
     {0.52289590E-02, -0.77014870E-03, 0.91144582E-04, -0.36296667E-05, 0.47017959E-07}},
    // 37.0 GHz: v, h
    {{-0.70359424E-03, -0.21767340E-03, 0.40065879E-04, -0.18476937E-05, 0.27682999E-07},
     {0.56383167E-02, -0.84374397E-03, 0.10673448E-03, -0.46125251E-05, 0.66731523E-07}},
    // 85.5 GHz: v, h
    {{-0.31417492E-02, 0.40696684E-03, -0.33327302E-04, 0.12652030E-05, -0.16750304E-07},
     {0.60131140E-02, -0.70015807E-03, 0.12607455E-03, -0.72733851E-05, 0.13573657E-06}},
};

// fit_emiss_phir_wind.txt (bcoef(k, harmonic, row, node)): the wind-direction
// harmonic amplitudes at 55.2 degrees and 20 degrees C (the paper's Tables III
// and IV), the coefficient of w^k, k = 1..5, of rows v, h, S3 and S4 (S4 before
// the code's negation), here [node][harmonic - 1][row][k - 1]. The 85.5 GHz node
// repeats the 37 GHz node; the S3 and S4 rows of 6.8 GHz repeat those of 10.7 GHz.
constexpr double kDirection[kNodes][2][4][5] = {
    // 6.8 GHz: first harmonic (v, h, S3, S4), then second
    {{{0.44663307E-06, 0.33431382E-06, 0.31258687E-05, -0.19933589E-06, 0.35517460E-08},
      {0.21731405E-04, -0.15405183E-05, 0.74374321E-06, -0.33289908E-07, 0.30436684E-09},
      {-0.84873718E-04, 0.53529453E-04, -0.11660517E-04, 0.68392279E-06, -0.12762158E-07},
      {0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00}},
     {{0.22186327E-03, -0.11805293E-03, 0.16871822E-04, -0.89407558E-06, 0.16027347E-07},
      {-0.35026164E-05, 0.10205239E-04, -0.52863638E-05, 0.38286424E-06, -0.78728268E-08},
      {-0.19053108E-03, 0.10971400E-03, -0.19771194E-04, 0.11088799E-05, -0.19698028E-07},
      {0.94933239E-04, -0.39120099E-04, 0.16441799E-05, 0.21231498E-07, -0.14752856E-08}}},
    // 10.7 GHz: first harmonic (v, h, S3, S4), then second
    {{{0.49613176E-04, -0.29099067E-04, 0.90591257E-05, -0.57370295E-06, 0.11033209E-07},
      {-0.22069922E-04, 0.89218038E-05, 0.46987260E-07, -0.24104727E-07, 0.57111965E-09},
      {-0.84873718E-04, 0.53529453E-04, -0.11660517E-04, 0.68392279E-06, -0.12762158E-07},
      {0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00}},
     {{0.14821348E-03, -0.71595379E-04, 0.10199168E-04, -0.54157493E-06, 0.97145101E-08},
      {-0.80905847E-04, 0.60693015E-04, -0.14250024E-04, 0.88631339E-06, -0.16933987E-07},
      {-0.19053108E-03, 0.10971400E-03, -0.19771194E-04, 0.11088799E-05, -0.19698028E-07},
      {0.94933239E-04, -0.39120099E-04, 0.16441799E-05, 0.21231498E-07, -0.14752856E-08}}},
    // 18.7 GHz: first harmonic (v, h, S3, S4), then second
    {{{-0.48868642E-04, -0.22677932E-05, 0.99473518E-05, -0.75155987E-06, 0.15539959E-07},
      {0.39587219E-04, -0.28833932E-04, 0.66159732E-05, -0.40818077E-06, 0.78790583E-08},
      {-0.32934975E-04, 0.43297721E-04, -0.13382161E-04, 0.87502411E-06, -0.17409285E-07},
      {0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00}},
     {{0.12186049E-03, -0.63971354E-04, 0.93409990E-05, -0.52439384E-06, 0.99750608E-08},
      {0.26503610E-03, -0.93256836E-04, 0.14160474E-05, 0.29850716E-06, -0.96476303E-08},
      {0.16613893E-03, -0.43971366E-04, -0.54227398E-05, 0.68209715E-06, -0.16915052E-07},
      {0.16233677E-03, -0.71377857E-04, 0.54205384E-05, -0.12656423E-06, 0.30047589E-09}}},
    // 23.8 GHz: first harmonic (v, h, S3, S4), then second
    {{{-0.10245874E-03, 0.19732288E-04, 0.81941398E-05, -0.69798637E-06, 0.14989700E-07},
      {0.13408970E-04, -0.14545601E-04, 0.50975082E-05, -0.33867266E-06, 0.66869505E-08},
      {0.47566966E-04, 0.27295184E-05, -0.87981016E-05, 0.65025108E-06, -0.13348521E-07},
      {0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00}},
     {{0.15346077E-03, -0.80840611E-04, 0.10884807E-04, -0.57535118E-06, 0.10505288E-07},
      {0.39375678E-03, -0.14661737E-03, 0.71786048E-05, 0.56981737E-07, -0.61201426E-08},
      {0.15825529E-03, -0.36120793E-04, -0.64421215E-05, 0.74370047E-06, -0.18240188E-07},
      {0.15428801E-03, -0.71253526E-04, 0.63266089E-05, -0.20246378E-06, 0.19780402E-08}}},
    // 37.0 GHz: first harmonic (v, h, S3, S4), then second
    {{{-0.24116256E-03, 0.76673692E-04, 0.36564124E-05, -0.55932554E-06, 0.13565502E-07},
      {-0.54346521E-04, 0.22435977E-04, 0.11673627E-05, -0.15876930E-06, 0.36014940E-08},
      {0.25592500E-03, -0.10227057E-03, 0.30665285E-05, 0.68485420E-07, -0.28383049E-08},
      {0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00}},
     {{0.23524978E-03, -0.12450223E-03, 0.14880548E-04, -0.70724082E-06, 0.11877642E-07},
      {0.72691630E-03, -0.28472705E-03, 0.22093463E-04, -0.56814309E-06, 0.30098284E-08},
      {0.13785057E-03, -0.15801656E-04, -0.90805215E-05, 0.90314438E-06, -0.21669951E-07},
      {0.13345591E-03, -0.70931717E-04, 0.86717337E-05, -0.39890975E-06, 0.63199730E-08}}},
    // 85.5 GHz: first harmonic (v, h, S3, S4), then second
    {{{-0.24116256E-03, 0.76673692E-04, 0.36564124E-05, -0.55932554E-06, 0.13565502E-07},
      {-0.54346521E-04, 0.22435977E-04, 0.11673627E-05, -0.15876930E-06, 0.36014940E-08},
      {0.25592500E-03, -0.10227057E-03, 0.30665285E-05, 0.68485420E-07, -0.28383049E-08},
      {0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00, 0.00000000E+00}},
     {{0.23524978E-03, -0.12450223E-03, 0.14880548E-04, -0.70724082E-06, 0.11877642E-07},
      {0.72691630E-03, -0.28472705E-03, 0.22093463E-04, -0.56814309E-06, 0.30098284E-08},
      {0.13785057E-03, -0.15801656E-04, -0.90805215E-05, 0.90314438E-06, -0.21669951E-07},
      {0.13345591E-03, -0.70931717E-04, 0.86717337E-05, -0.39890975E-06, 0.63199730E-08}}},
};

// em0_ref_freq_sst.txt (rcoef(k, row, node)): the SST factor 1 + sum of
// c_k (t - 20)^k, k = 1..3, a fit of E0(t)/E0(20 C) (the paper's eq. (15)), rows
// nadir, v and h, here [node][row][k - 1].
constexpr double kSstFactor[kNodes][3][3] = {
    // 6.8 GHz: nadir, v, h
    {{0.64666598E-03, 0.18792389E-04, -0.71416878E-06},
     {0.54727186E-03, 0.15199827E-04, -0.58219865E-06},
     {0.72313659E-03, 0.20790892E-04, -0.78597145E-06}},
    // 10.7 GHz: nadir, v, h
    {{-0.18288196E-04, 0.42427095E-04, -0.11764782E-05},
     {0.86090358E-05, 0.34348988E-04, -0.92879088E-06},
     {-0.78551720E-05, 0.47148875E-04, -0.13168459E-05}},
    // 18.7 GHz: nadir, v, h
    {{-0.18124707E-02, 0.68363704E-04, -0.15595884E-05},
     {-0.14230687E-02, 0.53501099E-04, -0.11226591E-05},
     {-0.20108195E-02, 0.77432378E-04, -0.18330112E-05}},
    // 23.8 GHz: nadir, v, h
    {{-0.27608373E-02, 0.73859519E-04, -0.16057228E-05},
     {-0.21540450E-02, 0.56079884E-04, -0.10885609E-05},
     {-0.30903204E-02, 0.85101470E-04, -0.19480626E-05}},
    // 37.0 GHz: nadir, v, h
    {{-0.43196524E-02, 0.71496688E-04, -0.15087929E-05},
     {-0.32755875E-02, 0.49546485E-04, -0.89587598E-06},
     {-0.49328911E-02, 0.86898879E-04, -0.19658560E-05}},
    // 85.5 GHz: nadir, v, h
    {{-0.51350161E-02, 0.32329197E-04, -0.10306418E-05},
     {-0.35066912E-02, 0.14070249E-04, -0.49284745E-06},
     {-0.62693316E-02, 0.50972507E-04, -0.14970617E-05}},
};

// ---- The model ----

// Reference incidence angle of the tables and the largest angle the linear
// extrapolation above it reaches, degrees.
constexpr double kReferenceAngle = 55.2;
constexpr double kLargestAngle = 65.0;
// Angle exponents of the isotropic increments, v and h (the paper's section IV C).
constexpr double kIsotropicExponent[2] = {4.0, 1.5};
// Angle exponents of the harmonics [harmonic - 1][S1, S2, S3, S4] (Table V).
constexpr double kHarmonicExponent[2][4] = {{2.0, 1.0, 1.0, 2.0}, {2.0, 4.0, 4.0, 2.0}};
// Up to this wind speed (m/s) there is no direction signal.
constexpr double kCalmWind = 3.0;
// Above this wind speed (m/s) the powers of w continue along their tangents.
constexpr double kPolynomialWind = 20.0;
// Caps of the nadir second harmonic: wind speed (m/s) and node frequency (GHz).
constexpr double kNadirWindCap = 15.0;
constexpr double kNadirFrequencyCap = 37.0;
// SST factor rows.
constexpr int kNadirRow = 0;
constexpr int kVerticalSstRow = 1;
constexpr int kHorizontalSstRow = 2;

// The two nodes the frequency lies between and the weight of the upper one.
struct NodePair {
    int lo;
    int hi;
    double weight;
};

NodePair NodesOf(double f) {
    int lo = 0;                   // up to 10.7 GHz: 6.8-10.7 (extrapolated below 6.8)
    if (f > kNodeGHz[1]) lo = 1;  // 10.7-18.7
    if (f > kNodeGHz[2]) lo = 2;  // 18.7-37.0, past the unused 23.8 GHz node
    if (f > kNodeGHz[4]) lo = 4;  // 37.0-85.5
    const int hi = lo == 2 ? 4 : lo + 1;
    double weight = (f - kNodeGHz[lo]) / (kNodeGHz[hi] - kNodeGHz[lo]);
    if (f > kNodeGHz[hi]) weight = 1.0;  // above 85.5 GHz: its values held
    return {lo, hi, weight};
}

template <class Real>
Real Between(const NodePair& n, const Real& lo, const Real& hi) {
    return (1.0 - n.weight) * lo + n.weight * hi;
}

// w^1 .. w^5 of the polynomials, w < 0 taken as 0; above 20 m/s each power
// continues along its tangent there: k (w - 20) 20^(k - 1) + 20^k.
template <class Real>
std::array<Real, 5> WindPowers(const Real& w) {
    std::array<Real, 5> p;
    p[0] = w < 0.0 ? Real(0.0) : w;
    if (!(p[0] > kPolynomialWind)) {
        for (int k = 1; k < 5; ++k) p[k] = p[k - 1] * p[0];
        return p;
    }
    const Real excess = p[0] - kPolynomialWind;
    double below = kPolynomialWind;  // 20^(k - 1) for power k
    for (int k = 2; k <= 5; ++k) {
        p[k - 1] = static_cast<double>(k) * excess * below + below * kPolynomialWind;
        below *= kPolynomialWind;
    }
    return p;
}

// Sum of c[k - 1] w^k, k = 1..5, in increasing k.
template <class Real>
Real Polynomial(const double (&c)[5], const std::array<Real, 5>& p) {
    Real sum = 0.0;
    for (int k = 0; k < 5; ++k) sum = sum + c[k] * p[k];
    return sum;
}

// SST factor of a node and row (nadir, v, h) at sea temperature t (degrees C).
template <class Real>
Real SstFactor(int node, int row, const Real& t) {
    const double (&c)[3] = kSstFactor[node][row];
    const Real d = t - 20.0;
    const Real d2 = d * d;
    const Real d3 = d * d2;
    return 1.0 + (c[0] * d + c[1] * d2 + c[2] * d3);
}

// A term with the value reference at 55.2 degrees and nadir at 0 carried to the
// angle theta: the power law up to 55.2 degrees, the straight line beyond (the
// angle capped at 65 degrees).
template <class Real>
Real ToAngle(const Real& reference, const Real& nadir, const Real& theta, double exponent) {
    using std::pow;
    if (theta <= kReferenceAngle) return nadir + (reference - nadir) * pow(theta / kReferenceAngle, exponent);
    const Real capped = theta > kLargestAngle ? Real(kLargestAngle) : theta;
    return reference + (reference - nadir) * (capped - kReferenceAngle) * exponent / kReferenceAngle;
}

// Isotropic wind increments (V, H).
template <class Real>
BasicEmissivityPair<Real> IsotropicWind(const NodePair& n, const Real& theta, const Real& t,
                                        const std::array<Real, 5>& p) {
    Real e[2];
    const int sstRow[2] = {kVerticalSstRow, kHorizontalSstRow};
    for (int pol = 0; pol < 2; ++pol) {
        const Real lo = Polynomial(kIsotropicWind[n.lo][pol], p) * SstFactor(n.lo, sstRow[pol], t);
        const Real hi = Polynomial(kIsotropicWind[n.hi][pol], p) * SstFactor(n.hi, sstRow[pol], t);
        e[pol] = Between(n, lo, hi);
    }
    const Real mean = 0.5 * (e[0] + e[1]);
    return {ToAngle(e[0], mean, theta, kIsotropicExponent[0]), ToAngle(e[1], mean, theta, kIsotropicExponent[1])};
}

// Harmonic amplitudes [harmonic - 1][S1, S2, S3, S4] (S4 before the negation).
template <class Real>
using StokesAmplitudes = std::array<std::array<Real, 4>, 2>;

// The amplitudes of one node at 55.2 degrees with the SST factors applied: v and
// h (formed into S1 = (v + h)/2 and S2 = v - h) by their own, S3 and S4 by their mean.
template <class Real>
StokesAmplitudes<Real> NodeAmplitudes(int node, const Real& t, const std::array<Real, 5>& p) {
    const Real factorV = SstFactor(node, kVerticalSstRow, t);
    const Real factorH = SstFactor(node, kHorizontalSstRow, t);
    const Real factorStokes = 0.5 * (factorV + factorH);
    StokesAmplitudes<Real> a;
    for (int h = 0; h < 2; ++h) {
        const double (&rows)[4][5] = kDirection[node][h];
        const Real v = factorV * Polynomial(rows[0], p);
        const Real hp = factorH * Polynomial(rows[1], p);
        a[h] = {0.5 * (v + hp), v - hp, factorStokes * Polynomial(rows[2], p), factorStokes * Polynomial(rows[3], p)};
    }
    return a;
}

// The nadir second harmonic Y of S2 (-Y of S3) at one node.
template <class Real>
Real NadirAmplitude(int node, const Real& w, const Real& t) {
    const double f = kNodeGHz[node] > kNadirFrequencyCap ? kNadirFrequencyCap : kNodeGHz[node];
    const double atTen = 2.0 * (1.0 - 0.9 * std::log10(30.0 / f)) / 290.0;
    const Real capped = w < 0.0 ? Real(0.0) : (w > kNadirWindCap ? Real(kNadirWindCap) : w);
    return atTen * capped * (capped - capped * capped / 22.5) / 55.5556 * SstFactor(node, kNadirRow, t);
}

template <class Real>
BasicMw2012Harmonics<Real> Harmonics(const NodePair& n, const Real& theta, const Real& t, const Real& w,
                                     const std::array<Real, 5>& p) {
    if (w <= kCalmWind) return {};
    const StokesAmplitudes<Real> lo = NodeAmplitudes(n.lo, t, p);
    const StokesAmplitudes<Real> hi = NodeAmplitudes(n.hi, t, p);
    const Real y = Between(n, NadirAmplitude(n.lo, w, t), NadirAmplitude(n.hi, w, t));
    const Real nadir[2][4] = {{0.0, 0.0, 0.0, 0.0}, {0.0, y, -y, 0.0}};
    StokesAmplitudes<Real> a;
    for (int h = 0; h < 2; ++h)
        for (int c = 0; c < 4; ++c)
            a[h][c] = ToAngle(Between(n, lo[h][c], hi[h][c]), nadir[h][c], theta, kHarmonicExponent[h][c]);
    // Back from S1 and S2 to v and h; the fourth Stokes term in the IEEE sign.
    BasicMw2012Harmonics<Real> r;
    r.v = {a[0][0] + 0.5 * a[0][1], a[1][0] + 0.5 * a[1][1]};
    r.h = {a[0][0] - 0.5 * a[0][1], a[1][0] - 0.5 * a[1][1]};
    r.third = {a[0][2], a[1][2]};
    r.fourth = {-a[0][3], -a[1][3]};
    return r;
}

// The direction signal at azimuth phi (degrees) from the amplitudes.
template <class Real>
BasicDirectionalEmissivity<Real> Signal(const BasicMw2012Harmonics<Real>& a, const Real& phi) {
    using std::cos;
    using std::sin;
    const Real p = phi * kDegreesToRadians;
    const Real q = (2.0 * phi) * kDegreesToRadians;
    const Real cosP = cos(p), cosQ = cos(q), sinP = sin(p), sinQ = sin(q);
    BasicDirectionalEmissivity<Real> d;
    d.V = a.v.first * cosP + a.v.second * cosQ;
    d.H = a.h.first * cosP + a.h.second * cosQ;
    d.HalfSum = 0.5 * (d.V + d.H);
    d.Difference = d.V - d.H;
    d.Third = a.third.first * sinP + a.third.second * sinQ;
    d.Fourth = a.fourth.first * sinP + a.fourth.second * sinQ;
    return d;
}

template <class Real>
BasicSurfaceEmissivityTerms<Real> Parts(double f, const Real& theta, const Real& phi, const Real& t, const Real& s,
                                        const Real& w) {
    BasicSurfaceEmissivityTerms<Real> terms;
    terms.code = SurfaceFrequencyCode(f);
    const NodePair nodes = NodesOf(f);
    const std::array<Real, 5> powers = WindPowers(w);
    terms.specular = FlatSurfaceEmissivity(SeaWaterPermittivity(t, s, f, PermittivityVariant::AuthorsCode2012),
                                           IncidenceGeometryOfDegrees(theta));
    terms.wind = IsotropicWind(nodes, theta, t, powers);
    if (w > kCalmWind) terms.direction = Signal(Harmonics(nodes, theta, t, w, powers), phi);
    terms.total = {(terms.specular.v + terms.wind.v) + terms.direction.V,
                   (terms.specular.h + terms.wind.h) + terms.direction.H};
    return terms;
}

}  // namespace

BasicSurfaceEmissivityTerms<double> Mw2012EmissivityParts(double frequencyGHz, double theta, double phi, double t,
                                                          double s, double w) {
    return Parts<double>(frequencyGHz, theta, phi, t, s, w);
}

BasicSurfaceEmissivityTerms<CombineDual> Mw2012EmissivityParts(double frequencyGHz, const CombineDual& theta,
                                                               const CombineDual& phi, const CombineDual& t,
                                                               const CombineDual& s, const CombineDual& w) {
    return Parts<CombineDual>(frequencyGHz, theta, phi, t, s, w);
}

Mw2012Harmonics Mw2012HarmonicAmplitudes(double frequencyGHz, double theta, double t, double w) {
    return Harmonics<double>(NodesOf(frequencyGHz), theta, t, w, WindPowers(w));
}

BasicMw2012Harmonics<CombineDual> Mw2012HarmonicAmplitudes(double frequencyGHz, const CombineDual& theta,
                                                           const CombineDual& t, const CombineDual& w) {
    return Harmonics<CombineDual>(NodesOf(frequencyGHz), theta, t, w, WindPowers(w));
}

}  // namespace seasky
