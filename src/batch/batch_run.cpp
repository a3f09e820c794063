#include "batch/batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <new>
#include <ostream>
#include <thread>
#include <utility>
#include <vector>

#include "app/channel_request.h"
#include "batch/batch_output.h"
#include "batch/block_plan.h"
#include "batch/output_file.h"
#include "batch/scene_loop.h"
#include "batch/scenes.h"
#include "batch/sensor_file.h"

#ifndef SEASKY_VERSION
#define SEASKY_VERSION "0"
#endif

namespace seasky {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) { interrupted.store(true); }

// Catches Ctrl-C, termination and a closed terminal (SIGHUP: the run's
// terminal or ssh session went away) for the duration of a run, so that each
// ends it without an output and without its temporary file.
class InterruptGuard {
public:
    InterruptGuard() {
        interrupted.store(false);
        for (std::size_t i = 0; i < kSignals.size(); ++i) previous_[i] = std::signal(kSignals[i], OnInterrupt);
    }
    ~InterruptGuard() {
        for (std::size_t i = 0; i < kSignals.size(); ++i) std::signal(kSignals[i], previous_[i]);
    }

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
    std::array<void (*)(int), 3> previous_{};
};

// The refusal of an output that is one of the run's inputs.
std::string OutputIsInputMessage(const std::string& output, const std::string& input, const char* role) {
    return "Output " + output + " is the " + role + " " + input +
           ": it would be replaced by the results (give another --output)";
}

// The output must not be an input file of the run (through any link): the
// scene file, the sensor file, a profile file of the CSV scenes.
std::optional<std::string> OutputClash(const BatchOptions& options, const SceneReader& scenes) {
    const std::string& output = options.output;
    if (SameFileAmong(output, {options.scenes})) return OutputIsInputMessage(output, options.scenes, "scene file");
    if (!options.fields.surfaceFile.empty() && SameFileAmong(output, {options.fields.surfaceFile}))
        return OutputIsInputMessage(output, options.fields.surfaceFile, "surface file");
    if (SameFileAmong(output, {options.sensor})) return OutputIsInputMessage(output, options.sensor, "sensor file");
    if (const std::vector<std::string> profiles = scenes.GuardedProfileFiles(); !profiles.empty())
        return OutputIsInputMessage(output, profiles.front(), "profile file");
    if (IsFolder(output)) return "Output " + output + " is a folder (give a file name)";
    return std::nullopt;
}

std::string Duration(double seconds) {
    if (!(seconds >= 0.0) || seconds > 1e7) return "--";
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%ldh%02ldm", s / 3600, (s / 60) % 60);
    else if (s >= 60) std::snprintf(text, sizeof text, "%ldm%02lds", s / 60, s % 60);
    else std::snprintf(text, sizeof text, "%lds", s);
    return text;
}

// "[#########           ]  45%  450000/1000000 scenes  1234/s  left 7m12s"
class Progress {
public:
    Progress(std::ostream& err, std::size_t total, bool shown)
        : err_(err), total_(total), shown_(shown), start_(std::chrono::steady_clock::now()) {}

    void Show(std::size_t done) {
        if (!shown_) return;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = elapsed > 0.0 ? done / elapsed : 0.0;
        const double left = rate > 0.0 ? (total_ - done) / rate : -1.0;
        const int width = 30;
        const int filled = total_ > 0 ? static_cast<int>(width * static_cast<double>(done) / total_) : width;
        std::string bar(filled, '#');
        bar += std::string(width - filled, ' ');
        char text[160];
        std::snprintf(text, sizeof text, "\r[%s] %3d%%  %zu/%zu scenes  %.0f/s  left %s   ", bar.c_str(),
                      total_ > 0 ? static_cast<int>(100.0 * done / total_) : 100, done, total_, rate,
                      Duration(left).c_str());
        err_ << text << std::flush;
    }

    void End() {
        if (shown_) err_ << '\n';
    }

private:
    std::ostream& err_;
    std::size_t total_;
    bool shown_;
    std::chrono::steady_clock::time_point start_;
};

// The sensor, its channels and the derivatives of a run, and its threads.
struct BatchSetup {
    Sensor sensor;
    std::vector<int> channels;  // indices into sensor.channels
    JacobianSelection jacobians;
    int threads = 1;
};

// The arguments that need no scene file; false (the refusal written) when one
// is refused.
bool SetUpBatch(const BatchOptions& options, std::ostream& err, BatchSetup& setup) {
    if (const std::string refusal = ThreadCountRefusal(options.threads); !refusal.empty()) {
        err << refusal << '\n';
        return false;
    }
    SensorReadResult sensor = LoadSensor(options.sensor);
    if (!sensor.ok) {
        err << sensor.message << '\n';
        return false;
    }
    const ChannelSelection selection = SelectChannels(sensor.sensor, options.channels);
    if (!selection.message.empty()) {
        err << selection.message << '\n';
        return false;
    }
    if (options.jacobiansGiven)
        if (std::optional<std::string> message = ParseJacobianSelection(options.jacobians, setup.jacobians)) {
            err << *message << '\n';
            return false;
        }
    setup.sensor = std::move(sensor.sensor);
    setup.channels = selection.indices;
    setup.threads = options.threads > 0 ? options.threads
                                        : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return true;
}

// The checks of a run against its scene file, before any output is made: the
// output is none of the inputs, and no channel is refused for every scene (a
// refusal ends the run at once). Writes the reader's notes. False (the refusal
// written) when refused.
bool CheckAgainstScenes(const BatchOptions& options, const BatchSetup& setup, const SceneReader& scenes,
                        std::ostream& err) {
    if (const std::optional<std::string> clash = OutputClash(options, scenes)) {
        err << *clash << '\n';
        return false;
    }
    for (const std::string& note : scenes.Notes()) err << "Note: " << note << '\n';
    if (std::optional<ValidationFailure> f = CheckChannelDefinitions(setup.sensor, setup.channels,
                                                                     scenes.HasIncidenceAngle(), options.extrapolate)) {
        err << f->message << '\n';
        if (f->quantity == Checked::Frequency) err << kChannelCentreHint << '\n';
        return false;
    }
    return true;
}

RunDescription DescribeRun(const BatchOptions& options, const BatchSetup& setup, const SceneReader& scenes) {
    RunDescription run;
    run.program = std::string("seasky ") + SEASKY_VERSION;
    run.commandLine = options.commandLine;
    run.models = options.model;
    run.extrapolate = options.extrapolate;
    run.scenesFile = options.scenes;
    run.surfaceFile = options.fields.surfaceFile;
    run.jacobians = setup.jacobians;
    DescribeScenes(scenes, run);
    return run;
}

// What a block's memory depends on (block_plan.h).
BlockShape ShapeOf(const BatchOptions& options, const BatchSetup& setup, const RunDescription& run,
                   const std::vector<PassThrough>& passThrough) {
    BlockShape shape;
    shape.levels = run.levels;
    shape.channels = setup.channels.size();
    shape.derivatives = options.jacobiansGiven;
    shape.levelDerivatives = setup.jacobians.AnyLevel();
    for (const PassThrough& v : passThrough) shape.passThroughBytes += v.valueBytes;
    return shape;
}

// Every scene computed and written a block at a time, with the progress bar;
// an interrupted run abandons its output.
SceneLoopEnd ComputeAndWrite(const BatchOptions& options, const BatchSetup& setup, std::size_t blockSize,
                             SceneReader& scenes, std::vector<PassThrough>& passThrough, ResultWriter& writer,
                             std::ostream& err) {
    const std::size_t total = scenes.SceneCount();
    Progress progress(err, total, !options.quiet && ::isatty(STDERR_FILENO) == 1);
    const SceneChannels what{setup.sensor,       setup.channels,         options.model,
                             options.extrapolate, options.jacobiansGiven, setup.jacobians};
    SceneLoop loop;
    loop.scenes = total;
    loop.blockSize = blockSize;
    loop.threads = setup.threads;
    loop.read = [&](std::size_t first, std::size_t count, std::vector<Scene>& block) {
        scenes.Read(first, count, block);
        scenes.ReadPassThrough(first, count, passThrough);
    };
    loop.write = [&](std::size_t first, const SceneBlock& block) {
        writer.Write(first, block.outcomes, block.derivatives, block.scenes, passThrough);
    };
    loop.stop = [] { return interrupted.load(); };
    loop.progress = [&progress](std::size_t done) { progress.Show(done); };
    const SceneLoopEnd end = RunSceneLoop(what, loop);
    if (end.interrupted) {
        progress.End();
        writer.Abandon();
        err << "Прервано: выходной файл не записан.\n";
        return end;
    }
    writer.Commit();
    progress.End();
    return end;
}

}  // namespace

int RunBatch(const BatchOptions& options, std::ostream& err) {
    BatchSetup setup;
    if (!SetUpBatch(options, err, setup)) return kBatchFailed;
    InterruptGuard guard;
    std::size_t total = 0;
    std::size_t refused = 0;
    BlockShape shape;
    std::size_t blockSize = 0;  // 0 until the blocks are planned
    try {
        // The first pass over CSV scenes finds the profile files that are the output.
        SceneOptions fields = options.fields;
        fields.guarded = options.output;
        std::unique_ptr<SceneReader> scenes = OpenScenes(options.scenes, fields);
        if (!CheckAgainstScenes(options, setup, *scenes, err)) return kBatchFailed;
        total = scenes->SceneCount();
        std::vector<PassThrough> passThrough = scenes->PassThroughVariables();
        const RunDescription run = DescribeRun(options, setup, *scenes);
        std::unique_ptr<ResultWriter> writer =
            CreateResultWriter(options.output, setup.sensor, setup.channels, total, passThrough, run);
        for (const auto& [from, to] : writer->Renamed()) err << RenamedNote(from, to) << '\n';
        // A block holds as many scenes as fit in the memory budget (block_plan.h).
        shape = ShapeOf(options, setup, run, passThrough);
        blockSize = ScenesPerBlock(shape, options.blockBudget, options.blockSize, setup.threads);
        const SceneLoopEnd end = ComputeAndWrite(options, setup, blockSize, *scenes, passThrough, *writer, err);
        if (end.interrupted) return kBatchInterrupted;
        refused = end.refused;
    } catch (const BatchError& e) {
        err << e.what() << '\n';
        return kBatchFailed;
    } catch (const std::bad_alloc&) {
        // Every block, the writer and its temporary file are gone by now.
        err << OutOfMemoryMessage(blockSize, shape, setup.threads) << '\n';
        return kBatchFailed;
    }
    err << "Сцен: " << total << ", рассчитано: " << total - refused << ", отклонено: " << refused << ".\n";
    return refused > 0 ? kBatchRefusals : kBatchComplete;
}

}  // namespace seasky
