// The checks of a scene file shared by the CSV and NetCDF harnesses: the file
// is opened and read a block at a time as a batch run reads it.
//
// Properties:
//  - a file that ends the run does so with a BatchError carrying a message
//    (anything else thrown escapes and is reported as a crash);
//  - a scene the reader refuses carries a message;
//  - a scene the reader accepts has a sea surface with no missing value and a
//    profile whose every level is finite and within the bounds of the validation
//    table, of at most LevelCount() levels whose file levels are increasing and
//    within it, and an incidence angle only when the file has them;
//  - a scene that the reader accepts and a channel's check accepts (as a batch
//    run checks every scene before computing it) has a surface within the bounds
//    of the validation table;
//  - the pass-through variables' values are one per scene of their type.
#pragma once

#include <netcdf.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/sensor.h"
#include "batch/scenes.h"
#include "fuzz_support.h"

namespace seasky::fuzz {

// The scenes read: at most this many from the start of a file (its scene
// dimension may be declared much larger than the file's data).
inline constexpr std::size_t kMaxScenesRead = 256;
inline constexpr std::size_t kScenesPerBlock = 16;

inline void RequireSceneReading(const std::string& path) {
    std::unique_ptr<SceneReader> reader;
    try {
        reader = OpenScenes(path);
    } catch (const BatchError& e) {
        Require(e.what()[0] != '\0', "a scene file refused at opening has a message");
        return;
    }
    const std::size_t count = std::min(reader->SceneCount(), kMaxScenesRead);
    const std::size_t levels = reader->LevelCount();
    // AMSR2's 18.7 GHz V channel: a channel with an incidence angle of its own.
    Channel channel;
    channel.name = "18.7V";
    channel.centre = 18.7;
    channel.subBands = {{18.7, 0.2}};
    channel.incidenceAngle = 55.0;

    std::vector<PassThrough> passThrough = reader->PassThroughVariables();
    for (const PassThrough& v : passThrough) Require(v.data.empty(), "pass-through variables start without values");
    std::vector<Scene> scenes;
    try {
        for (std::size_t first = 0; first < count; first += kScenesPerBlock) {
            const std::size_t n = std::min(kScenesPerBlock, count - first);
            reader->Read(first, n, scenes);
            Require(scenes.size() == n, "a block holds the scenes asked for");
            reader->ReadPassThrough(first, n, passThrough);
            for (const PassThrough& v : passThrough) {
                std::size_t bytes = 0;
                Require(nc_inq_type(NC_GLOBAL, v.type, nullptr, &bytes) == NC_NOERR, v.name + ": a netCDF type");
                Require(v.data.size() == n * bytes, v.name + ": one value per scene");
            }
            for (std::size_t s = 0; s < n; ++s) {
                const Scene& scene = scenes[s];
                const std::string origin = "scene " + std::to_string(first + s + 1);
                if (scene.failure) {
                    Require(!scene.failure->message.empty(), origin + ": a refused scene has a message");
                    continue;
                }
                const SceneSurface& surface = scene.surface;
                for (double v : {surface.seaTemperature, surface.salinity, surface.wind, surface.azimuth})
                    Require(!std::isnan(v), origin + ": an accepted scene has no missing surface value");
                Require(!surface.incidenceAngle || reader->HasIncidenceAngle(),
                        origin + ": an incidence angle only from a file that has them");
                Require(!surface.incidenceAngle || !std::isnan(*surface.incidenceAngle),
                        origin + ": a given incidence angle is a number");
                RequireUsableProfile(scene.profile, origin);
                Require(static_cast<std::size_t>(scene.profile.levelCount) <= levels,
                        origin + ": no more levels than the file's LevelCount()");
                Require(scene.levelIndex.size() == static_cast<std::size_t>(scene.profile.levelCount),
                        origin + ": a file level for every profile level");
                // The profile's levels go upwards whatever the file's order
                // (RequireUsableProfile); each comes from its own file level.
                std::vector<bool> taken(levels, false);
                for (std::size_t l = 0; l < scene.levelIndex.size(); ++l) {
                    Require(scene.levelIndex[l] >= 0 && static_cast<std::size_t>(scene.levelIndex[l]) < levels,
                            origin + ": file levels within LevelCount()");
                    Require(!taken[scene.levelIndex[l]], origin + ": each file level at most once");
                    taken[scene.levelIndex[l]] = true;
                }
                if (CheckChannel(channel, surface, false)) continue;  // refused before it is computed
                const double angle = surface.incidenceAngle.value_or(*channel.incidenceAngle);
                Require(WithinBounds(Checked::Angle, angle), origin + ": incidence angle within bounds");
                Require(WithinBounds(Checked::Azimuth, surface.azimuth), origin + ": azimuth within bounds");
                Require(WithinBounds(Checked::SeaTemperature, surface.seaTemperature),
                        origin + ": sea temperature within bounds");
                Require(WithinBounds(Checked::Salinity, surface.salinity), origin + ": salinity within bounds");
                Require(WithinBounds(Checked::Wind, surface.wind), origin + ": wind within bounds");
            }
        }
    } catch (const BatchError& e) {
        Require(e.what()[0] != '\0', "a scene file refused while it is read has a message");
    }
}

}  // namespace seasky::fuzz
