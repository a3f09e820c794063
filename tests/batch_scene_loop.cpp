// The scene loop of seasky batch and Python's simulate: whatever the blocks and
// threads, every scene is the channels-over-a-scene request on its own, a
// scene's own refusal refuses its channels and the others go on, the blocks
// are handed on in order with the progress, and a stop ends the loop before
// the block under way is handed on.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "app/channel_request.h"
#include "batch/scene_loop.h"
#include "batch/sensor_file.h"
#include "test_support.h"

namespace seasky {
namespace {

using test::Bundled;

// Seven scenes over two atmospheres; scene 2 has its own refusal, scene 4 a
// wind beyond the default's 20 m/s (its channels are refused).
std::vector<Scene> LoopScenes() {
    std::vector<Scene> scenes(7);
    for (std::size_t s = 0; s < scenes.size(); ++s) {
        scenes[s].profile = Bundled(s % 2 == 0 ? "tropical" : "subarctic-winter");
        scenes[s].surface = {2.0 + 4.0 * s, 30.0 + s, 1.5 * s, 40.0 * s, std::nullopt};
    }
    ValidationFailure missing;
    missing.input = "wind_speed";
    missing.value = std::nan("");
    missing.message = "Нет значения wind_speed.";
    scenes[2].failure = missing;
    scenes[4].surface.wind = 25.0;
    return scenes;
}

Sensor LoopSensor() {
    const SensorReadResult amsr2 = LoadSensor("amsr2");
    EXPECT_TRUE(amsr2.ok) << amsr2.message;
    return amsr2.sensor;
}

// What a loop handed on: every scene's outcomes and derivatives, the first
// scene of each block, and the last progress reported.
struct Handed {
    std::vector<std::vector<ChannelOutcome>> outcomes;
    std::vector<std::vector<ChannelDerivatives>> derivatives;
    std::vector<std::size_t> firsts;
    std::size_t progress = 0;
    SceneLoopEnd end;
};

Handed RunLoop(const SceneChannels& what, const std::vector<Scene>& scenes, std::size_t blockSize, int threads,
               std::size_t stopAfterBlocks = 0) {
    Handed h;
    h.outcomes.resize(scenes.size());
    h.derivatives.resize(scenes.size());
    std::atomic<std::size_t> blocks{0};
    SceneLoop loop;
    loop.scenes = scenes.size();
    loop.blockSize = blockSize;
    loop.threads = threads;
    loop.read = [&](std::size_t first, std::size_t count, std::vector<Scene>& block) {
        block.assign(scenes.begin() + first, scenes.begin() + first + count);
    };
    loop.write = [&](std::size_t first, const SceneBlock& block) {
        h.firsts.push_back(first);
        for (std::size_t s = 0; s < block.scenes.size(); ++s) {
            h.outcomes[first + s] = block.outcomes[s];
            if (what.derivatives) h.derivatives[first + s] = block.derivatives[s];
        }
        ++blocks;
    };
    loop.stop = [&] { return stopAfterBlocks > 0 && blocks.load() >= stopAfterBlocks; };
    loop.progress = [&](std::size_t done) { h.progress = done; };
    h.end = RunSceneLoop(what, loop);
    return h;
}

TEST(SceneLoop, BlocksAndThreadsChangeNothingAndEachRefusalStaysItsScenes) {
    const Sensor amsr2 = LoopSensor();
    const std::vector<int> channels = SelectChannels(amsr2, "10.65V,18.7H,36.5V").indices;
    ASSERT_EQ(channels.size(), 3u);
    const std::vector<Scene> scenes = LoopScenes();
    const SceneChannels what{amsr2, channels, {}, false, false, {}};
    for (const auto& [blockSize, threads] : {std::pair<std::size_t, int>{3, 2}, {7, 1}, {1, 3}}) {
        const Handed h = RunLoop(what, scenes, blockSize, threads);
        EXPECT_FALSE(h.end.interrupted);
        EXPECT_EQ(h.end.refused, 2u);  // scenes 2 and 4
        EXPECT_EQ(h.progress, scenes.size());
        EXPECT_EQ(h.firsts.size(), (scenes.size() + blockSize - 1) / blockSize);
        for (std::size_t b = 0; b < h.firsts.size(); ++b) EXPECT_EQ(h.firsts[b], b * blockSize);
        for (std::size_t s = 0; s < scenes.size(); ++s) {
            ASSERT_EQ(h.outcomes[s].size(), channels.size()) << s;
            if (s == 2) {
                for (const ChannelOutcome& o : h.outcomes[s]) {
                    EXPECT_FALSE(o.computed);
                    ASSERT_TRUE(o.failure);
                    EXPECT_EQ(o.failure->message, "Нет значения wind_speed.");
                }
                continue;
            }
            const std::vector<ChannelOutcome> alone =
                CalculateChannels(amsr2, channels, scenes[s].surface, ViewOf(scenes[s].profile));
            for (std::size_t c = 0; c < channels.size(); ++c) {
                EXPECT_EQ(h.outcomes[s][c].computed, s != 4) << s;
                EXPECT_EQ(h.outcomes[s][c].computed, alone[c].computed);
                if (alone[c].computed) {
                    EXPECT_EQ(h.outcomes[s][c].tb, alone[c].tb) << s << " " << c;
                }
            }
        }
        ASSERT_TRUE(h.outcomes[4][0].failure);
        EXPECT_EQ(h.outcomes[4][0].failure->quantity, Checked::Wind);
    }
}

TEST(SceneLoop, DerivativesOfEachChannelsTbAsTheChannelsOwn) {
    const Sensor amsr2 = LoopSensor();
    const std::vector<int> channels = SelectChannels(amsr2, "18.7V,18.7H").indices;
    const std::vector<Scene> scenes = LoopScenes();
    JacobianSelection wind;
    wind.surface[2] = true;
    const SceneChannels what{amsr2, channels, {}, false, true, wind};
    const Handed h = RunLoop(what, scenes, 2, 2);
    for (std::size_t s : {0, 3}) {
        for (std::size_t c = 0; c < channels.size(); ++c) {
            const Channel& channel = amsr2.channels[channels[c]];
            const Jacobian j = ChannelWithJacobian(channel, scenes[s].surface, ViewOf(scenes[s].profile)).jacobian;
            EXPECT_EQ(h.derivatives[s][c].surface[2], j.Surface(JacobianOutputOf(channel.polarisation), SurfaceInput::wind)) << s;
        }
        EXPECT_NE(h.derivatives[s][0].surface[2], h.derivatives[s][1].surface[2]);  // V and H differ
    }
    // The refused scenes have empty derivatives for each channel.
    for (std::size_t s : {2, 4}) {
        ASSERT_EQ(h.derivatives[s].size(), channels.size());
        EXPECT_EQ(h.derivatives[s][0].surface[2], 0.0);
        EXPECT_TRUE(h.derivatives[s][0].level.empty());
    }
}

TEST(SceneLoop, AStopEndsTheLoopBeforeTheBlockUnderWayIsHandedOn) {
    const Sensor amsr2 = LoopSensor();
    const std::vector<int> channels = SelectChannels(amsr2, "18.7V").indices;
    const std::vector<Scene> scenes = LoopScenes();
    const SceneChannels what{amsr2, channels, {}, false, false, {}};
    // Asked to stop once the first block (scenes 0-2) is handed on.
    const Handed h = RunLoop(what, scenes, 3, 2, 1);
    EXPECT_TRUE(h.end.interrupted);
    ASSERT_EQ(h.firsts.size(), 1u);
    EXPECT_EQ(h.end.refused, 1u);  // scene 2 alone: scene 4 was not handed on
    EXPECT_TRUE(h.outcomes[3].empty());
    EXPECT_EQ(h.progress, 3u);
}

}  // namespace
}  // namespace seasky
