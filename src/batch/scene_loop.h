// The loop over many scenes: seasky batch and Python's simulate. The scenes are
// read, computed and handed on a block at a time (block_plan.h), so that memory
// follows the block, not the number of scenes; within a block they are shared
// out among worker threads. Each scene is the channels-over-a-scene request
// (app/channel_request.h) on its own, so the results do not depend on the
// blocks or the threads; a scene with its own refusal (a missing value, a bad
// level) has every channel refused with it, and the other scenes go on.
//
// The front ends give the reading, the handing on (writing a file, filling
// arrays), the progress and the question whether to stop (batch: Ctrl-C,
// termination and a closed terminal caught by a signal handler; Python: the
// interpreter's signal handlers, run at most every 50 ms).
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "app/channel_request.h"
#include "batch/batch_output.h"
#include "batch/scenes.h"

namespace seasky {

// What every scene computes: the channels (indices into sensor.channels) with
// a model set, and the derivatives of tb kept when they are asked for.
struct SceneChannels {
    const Sensor& sensor;
    std::span<const int> channels;
    ModelSet models;
    bool extrapolate = false;
    bool derivatives = false;
    JacobianSelection selection;  // the parts of the derivatives kept
};

// A block of scenes with, per scene and channel, its outcome and (with
// derivatives) the derivatives of its tb: outcomes[s][c], derivatives[s][c].
struct SceneBlock {
    std::vector<Scene> scenes;
    std::vector<std::vector<ChannelOutcome>> outcomes;
    std::vector<std::vector<ChannelDerivatives>> derivatives;  // empty without derivatives
};

// One scene: every channel refused with the scene's own refusal, or the
// request's outcome of each channel (derivatives: filled for a computed
// channel, empty for a refused one; null without derivatives).
void ComputeScene(const SceneChannels& what, const Scene& scene, std::vector<ChannelOutcome>& outcomes,
                  std::vector<ChannelDerivatives>* derivatives);

// True when the scene or any of its channels was refused.
bool SceneRefused(const Scene& scene, const std::vector<ChannelOutcome>& outcomes);

// How the scenes are gone through, and what is done with them.
struct SceneLoop {
    std::size_t scenes = 0;     // all of them
    std::size_t blockSize = 1;  // the most scenes of a block (ScenesPerBlock)
    int threads = 1;            // worker threads (1: the calling thread alone)
    // Reads scenes [first, first + count) into scenes (resized to count).
    std::function<void(std::size_t first, std::size_t count, std::vector<Scene>& scenes)> read;
    // Hands on a computed block of scenes from first.
    std::function<void(std::size_t first, const SceneBlock& block)> write;
    // Whether to stop: asked before each scene, on the worker threads (so it
    // must be safe to call from any thread when threads > 1), and after each
    // block is computed.
    std::function<bool()> stop;
    // The scenes done in all: about every 200 ms while a block is computed on
    // threads, and after each block is handed on (may be empty).
    std::function<void(std::size_t done)> progress;
};

struct SceneLoopEnd {
    bool interrupted = false;  // stopped: the block under way was not handed on
    std::size_t refused = 0;   // scenes with a refusal, among those handed on
};

// Goes through every scene; exceptions of read, write and the calculation
// (BatchError, std::bad_alloc) end the loop and are thrown on.
SceneLoopEnd RunSceneLoop(const SceneChannels& what, const SceneLoop& loop);

}  // namespace seasky
