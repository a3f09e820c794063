// Brightness temperature of cold space seen in the sky reflected by the sea.
//
// Given:   f, frequency (GHz); the cosmic model choice.
// Returns: the cold-space brightness temperature, K:
//            default    2.73 K, the Rayleigh-Jeans brightness of the cosmic
//                       background (the value every default result uses);
//            effective  T_c(f) = x/(e^(x/2.73) - 1) - x/(e^(x/63) - 1) + 63 K,
//                       x = (h/k) f, the effective cold-space temperature.
//
// Notes:
//  - The program's brightness temperatures are Rayleigh-Jeans: radiance
//    divided by 2 k f^2 / c^2, so linear in the physical temperatures. At
//    microwave frequencies the Planck radiance of a body at T is that of a
//    Rayleigh-Jeans body at T - x/2 (+ O(x^2/T)) for every T above about 63 K,
//    but not for the 2.73 K background, where x/T is not small (x = 4.3 K at
//    89 GHz). T_c(f) is the Rayleigh-Jeans temperature of the background
//    shifted by the same offset, taken at a reference 63 K: substituted for
//    2.73 K, it makes the Rayleigh-Jeans transfer reproduce the Planck one to
//    about 0.003 K at the top of the atmosphere, against up to 0.24 K at 89 GHz
//    with 2.73 K.
//  - T_c(f) is 2.730 K at 1.4 GHz, 2.753 K at 18.7 GHz, 2.819 K at 36.5 GHz
//    and 3.241 K at 89 GHz.
//  - The constants h = 6.6260755e-34 J s and k = 1.380658e-23 J/K are those of
//    the authors' code (CODATA 1986), so that the function reproduces it.
//  - T_c depends on the frequency alone, which no derivative of the program
//    varies: it enters the derivatives as a constant.
//
// References: T. Meissner, F. J. Wentz and D. Draper, GMI calibration
// algorithm and analysis theoretical basis document, Remote Sensing Systems
// report 041912, version G, 2012, doi:10.56236/RSS-au, Appendix D; the authors'
// code: Remote Sensing Systems,
// RSS-Ocean-Surface-Emissivity-Model, RSS_RTM_module.f90, fd_tcos_eff.
#pragma once

namespace seasky {

// The choices of the model set (app/model_set.h).
enum class CosmicModel { standard, effective };

// T_c(f), K.
double EffectiveCosmicTemperature(double f);

// The cold-space temperature of the chosen model, K.
double CosmicTemperature(double f, CosmicModel model);

}  // namespace seasky
