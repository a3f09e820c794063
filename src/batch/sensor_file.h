// Sensor files: the channel presets of satellite radiometers, as JSON.
//
// A file holds {"name", "title", "sources": [...], "channels": [...]}; each
// channel has "name", "centre" (GHz), exactly one passband form —
// "bandwidth": B (GHz, one band centred on the centre; null when not published),
// "sidebands": {"ifLow": a, "ifHigh": b} (double sideband: centre -+ [a, b] GHz),
// or "subBands": [[lo, hi], ...] (GHz) — "polarisation" (V, H, +45, -45, L, R,
// S3, S4), "incidenceAngle" (degrees, or null when not published), optional
// "beamWidth" (degrees: a number, [E-plane, H-plane], or null) and "note". A
// key given twice in one object is refused (naming it and where), not read as
// its last value. The presets of data/sensors/ are compiled into the program.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/sensor.h"

namespace seasky {

struct SensorReadResult {
    bool ok = false;
    Sensor sensor;
    std::string message;  // why the file was refused (English: a sensor file is a developer's file)
};

// Parses the text of a sensor file; origin names it in messages.
SensorReadResult ParseSensorText(std::string_view text, const std::string& origin);

// A bundled preset.
struct SensorPreset {
    std::string_view name;  // the file name without ".json", e.g. "amsr2"
    std::string_view text;  // the JSON text, byte for byte data/sensors/<name>.json
};
std::span<const SensorPreset> SensorPresets();

// The largest sensor file read, in bytes (the presets take a few kilobytes).
inline constexpr std::uintmax_t kMaxSensorFileBytes = std::uintmax_t{16} << 20;

// A sensor file, or the name of a bundled preset (when no such file exists).
// A path that is not a regular file (a pipe, a device) is refused unopened.
SensorReadResult LoadSensor(const std::string& nameOrFile);

// The indices of the channels named in a comma-separated list (all channels for
// an empty list); an unknown name gives a message instead.
struct ChannelSelection {
    std::vector<int> indices;
    std::string message;  // non-empty when refused
};
ChannelSelection SelectChannels(const Sensor& sensor, const std::string& list);

}  // namespace seasky
