// seasky absorption: absorption coefficients of clear air and cloud water at one level.
#include "app/profile_reader.h"
#include "atmosphere/cloud_absorption.h"
#include "atmosphere/gas_absorption.h"
#include "atmosphere/nitrogen_absorption.h"
#include "cli/commands.h"

namespace seasky::cli {

namespace {

void CheckLevel(double t, double p, double rho, double w) {
    if (!(t > 0.0)) throw InputError("Неверное значение температуры воздуха!\nТемпература должна быть больше 0 К.");
    if (!(p >= 0.0)) throw InputError("Неверное значение давления!\nДавление не может быть отрицательным.");
    if (!(rho >= 0.0))
        throw InputError("Неверное значение абсолютной влажности!\nВлажность не может быть отрицательной.");
    if (!(w >= 0.0)) throw InputError("Неверное значение водности облаков!\nВодность не может быть отрицательной.");
    if (w > 0.0 && t < kMinLiquidCloudTemperature)
        throw InputError("Неверное сочетание водности облаков и температуры!\n"
                         "Жидкая вода в облаках возможна только при температуре не ниже 233,15 К.");
}

}  // namespace

void AddAbsorptionCommand(CLI::App& app, Context& context) {
    CLI::App* command =
        app.add_subcommand("absorption", "Absorption coefficients (Np/km) of clear air and cloud water at one level");
    auto options = std::make_shared<NumberOptions>();
    options->Add(command, "freq", "Frequency, GHz (0 < F <= 1000)", true);
    options->Add(command, "temp", "Air temperature, K", true);
    options->Add(command, "pressure", "Air pressure, mb", true);
    options->Add(command, "humidity", "Absolute humidity (water-vapour density), g/m^3", true);
    options->Add(command, "cloud", "Cloud liquid water content, g/m^3", false, "0");
    AddJsonFlag(command, context);
    command->callback([options, &context] {
        context.action = [options, &context] {
            const double f = options->Get("freq");
            const double t = options->Get("temp");
            const double p = options->Get("pressure");
            const double rho = options->Get("humidity");
            const double w = options->Get("cloud");
            CheckAbsorptionFrequency(f);
            CheckLevel(t, p, rho, w);
            const double nitrogen = NitrogenAbsorption(t, p, f);
            const GasAbsorptionRecord gas = GasAbsorption(f, t, p, rho);
            const double cloud = w > 0.0 ? CloudLiquidAbsorption(w, t, f) : 0.0;
            const double total = gas.total + cloud;
            if (context.json) {
                PrintJson(context.out, Json{{"nitrogen", nitrogen}, {"oxygen", gas.oxygen},
                                            {"waterVapour", gas.waterVapour}, {"gasTotal", gas.total},
                                            {"cloud", cloud}, {"total", total}});
            } else {
                PrintLines(context.out, {{"nitrogen", nitrogen, "Np/km"},
                                         {"oxygen", gas.oxygen, "Np/km"},
                                         {"waterVapour", gas.waterVapour, "Np/km"},
                                         {"gasTotal", gas.total, "Np/km"},
                                         {"cloud", cloud, "Np/km"},
                                         {"total", total, "Np/km"}});
            }
        };
    });
}

}  // namespace seasky::cli
