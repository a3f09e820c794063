// A batch run: the channels of one sensor over every scene of a file, on all
// cores, into a NetCDF or CSV file.
//
// The scenes are read, computed and written a block at a time, so that memory
// stays bounded whatever the number of scenes. Within a block the scenes are
// shared out among the threads; each scene is computed exactly as a single
// sensor calculation (the channels-over-a-scene request, app/channel_request.h)
// computes it, so the results do not depend on the number of threads (the loop
// is batch/scene_loop.h, which Python's simulate shares). A scene that is
// refused gets NaN and its message; the others are computed. An unreadable input, a missing variable or
// a channel that cannot be computed at all ends the run before any output is
// written; an interrupted run (Ctrl-C) leaves no output file.
#pragma once

#include <iosfwd>
#include <string>

#include "app/calculation.h"
#include "app/jacobian.h"
#include "batch/block_plan.h"
#include "batch/scenes.h"

namespace seasky {

struct BatchOptions {
    std::string scenes;    // scene file (.nc, .grib or .csv)
    SceneOptions fields;   // how a file of fields is read (surface file, level dimension, salinity, look azimuth)
    std::string sensor;    // preset name or sensor file
    std::string channels;  // comma-separated channel names (empty: all)
    std::string output;    // .nc or .csv
    int threads = 0;       // 0: as many as the machine has; at most MaxThreads()
    bool quiet = false;    // no progress bar
    bool extrapolate = false;
    ModelSet model;        // the model set of every scene's calculation
    std::string commandLine;
    std::size_t blockSize = kMostScenesPerBlock;  // the most scenes of a block (fewer when they exceed the budget)
    std::size_t blockBudget = kBlockBudgetBytes;  // the memory of a block, bytes (block_plan.h)
    bool jacobiansGiven = false;   // --jacobians given
    std::string jacobians;         // its list of derivatives (empty: all)
};

// Exit status of a batch run.
inline constexpr int kBatchComplete = 0;    // every scene computed
inline constexpr int kBatchFailed = 2;      // nothing written: bad input or arguments
inline constexpr int kBatchRefusals = 3;    // written; some scenes were refused
inline constexpr int kBatchInterrupted = 130;

// Runs the batch; messages and the progress bar go to err.
int RunBatch(const BatchOptions& options, std::ostream& err);

}  // namespace seasky
