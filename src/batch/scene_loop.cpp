#include "batch/scene_loop.h"

#include <algorithm>
#include <utility>

#include "batch/block_plan.h"

namespace seasky {

void ComputeScene(const SceneChannels& what, const Scene& scene, std::vector<ChannelOutcome>& outcomes,
                  std::vector<ChannelDerivatives>* derivatives) {
    const std::size_t C = what.channels.size();
    if (scene.failure) {
        outcomes.assign(C, ChannelOutcome{});
        for (ChannelOutcome& o : outcomes) o.failure = scene.failure;
        if (derivatives != nullptr) derivatives->assign(C, ChannelDerivatives{});
        return;
    }
    const ProfileView profile = ViewOf(scene.profile);
    ChannelsOutcome r = RunChannelsRequest(
        {what.sensor, what.channels, scene.surface, profile, what.models, what.extrapolate, what.derivatives});
    if (derivatives != nullptr) {
        derivatives->assign(C, ChannelDerivatives{});
        for (std::size_t c = 0; c < C && what.derivatives; ++c)
            if (r.outcomes[c].computed)
                (*derivatives)[c] =
                    DerivativesOf(r.jacobians[c], JacobianOutputOf(what.sensor.channels[what.channels[c]].polarisation),
                                  profile, what.selection);
    }
    outcomes = std::move(r.outcomes);
}

bool SceneRefused(const Scene& scene, const std::vector<ChannelOutcome>& outcomes) {
    return scene.failure.has_value() ||
           std::any_of(outcomes.begin(), outcomes.end(), [](const ChannelOutcome& o) { return !o.computed; });
}

SceneLoopEnd RunSceneLoop(const SceneChannels& what, const SceneLoop& loop) {
    SceneLoopEnd end;
    SceneBlock block;
    const std::size_t size = std::max<std::size_t>(loop.blockSize, 1);
    auto stop = [&loop] { return loop.stop && loop.stop(); };
    auto progress = [&loop](std::size_t done) {
        if (loop.progress) loop.progress(done);
    };
    for (std::size_t first = 0; first < loop.scenes; first += size) {
        const std::size_t count = std::min(size, loop.scenes - first);
        loop.read(first, count, block.scenes);
        block.outcomes.assign(count, {});
        block.derivatives.assign(what.derivatives ? count : 0, {});
        auto work = [&](std::size_t s) {
            ComputeScene(what, block.scenes[s], block.outcomes[s], what.derivatives ? &block.derivatives[s] : nullptr);
        };
        RunOnThreads(count, loop.threads, work, stop, [&](std::size_t done) { progress(first + done); });
        if (stop()) {
            end.interrupted = true;
            return end;
        }
        for (std::size_t s = 0; s < count; ++s)
            if (SceneRefused(block.scenes[s], block.outcomes[s])) ++end.refused;
        loop.write(first, block);
        progress(first + count);
    }
    return end;
}

}  // namespace seasky
