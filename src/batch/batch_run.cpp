#include "batch/batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <ostream>
#include <thread>
#include <vector>

#include "app/sensor.h"
#include "batch/batch_output.h"
#include "batch/block_plan.h"
#include "batch/output_file.h"
#include "batch/scenes.h"
#include "batch/sensor_file.h"

#ifndef SEASKY_VERSION
#define SEASKY_VERSION "0"
#endif

namespace seasky {

namespace {

std::atomic<bool> interrupted{false};

const char* const kChannelHint =
    "(другие каналы выбирает --channels; --extrapolate рассчитывает канал всё равно, с пометкой)";

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

}  // namespace

int RunBatch(const BatchOptions& options, std::ostream& err) {
    if (const std::string refusal = ThreadCountRefusal(options.threads); !refusal.empty()) {
        err << refusal << '\n';
        return kBatchFailed;
    }
    const SensorReadResult sensor = LoadSensor(options.sensor);
    if (!sensor.ok) {
        err << sensor.message << '\n';
        return kBatchFailed;
    }
    const ChannelSelection selection = SelectChannels(sensor.sensor, options.channels);
    if (!selection.message.empty()) {
        err << selection.message << '\n';
        return kBatchFailed;
    }
    JacobianSelection jacobians;
    if (options.jacobiansGiven)
        if (std::optional<std::string> message = ParseJacobianSelection(options.jacobians, jacobians)) {
            err << *message << '\n';
            return kBatchFailed;
        }
    const bool derivatives = options.jacobiansGiven;
    const int threads = options.threads > 0
                            ? options.threads
                            : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    InterruptGuard guard;
    std::size_t refused = 0;
    std::size_t total = 0;
    BlockShape shape;
    std::size_t blockSize = 0;  // 0 until the blocks are planned
    try {
        // The first pass over CSV scenes finds the profile files that are the output.
        std::unique_ptr<SceneReader> scenes = OpenScenes(options.scenes, options.output);
        if (const std::optional<std::string> clash = OutputClash(options, *scenes)) {
            err << *clash << '\n';
            return kBatchFailed;
        }
        for (const std::string& note : scenes->Notes()) err << "Note: " << note << '\n';
        // A channel that cannot be computed for any scene ends the run at once.
        for (int c : selection.indices)
            if (std::optional<ValidationFailure> f = CheckChannelDefinition(
                    sensor.sensor.channels[c], scenes->HasIncidenceAngle(), options.extrapolate)) {
                err << f->message << '\n';
                if (f->quantity == Checked::Frequency)
                    err << kChannelHint << '\n';
                return kBatchFailed;
            }
        total = scenes->SceneCount();
        std::vector<PassThrough> passThrough = scenes->PassThroughVariables();
        RunDescription run;
        run.program = std::string("seasky ") + SEASKY_VERSION;
        run.commandLine = options.commandLine;
        run.models = options.model;
        run.extrapolate = options.extrapolate;
        run.scenesFile = options.scenes;
        run.jacobians = jacobians;
        run.levels = scenes->LevelCount();
        run.profileSources = scenes->NamesProfiles();
        std::unique_ptr<ResultWriter> writer =
            CreateResultWriter(options.output, sensor.sensor, selection.indices, total, passThrough, run);
        for (const auto& [from, to] : writer->Renamed()) err << RenamedNote(from, to) << '\n';

        Progress progress(err, total, !options.quiet && ::isatty(STDERR_FILENO) == 1);
        // A block holds as many scenes as fit in the memory budget (block_plan.h).
        shape.levels = run.levels;
        shape.channels = selection.indices.size();
        shape.derivatives = derivatives;
        shape.levelDerivatives = jacobians.AnyLevel();
        for (const PassThrough& v : passThrough) shape.passThroughBytes += v.valueBytes;
        blockSize = ScenesPerBlock(shape, options.blockBudget, options.blockSize, threads);
        std::vector<Scene> block;
        std::vector<std::vector<ChannelOutcome>> outcomes;
        std::vector<std::vector<ChannelDerivatives>> derivativesOf;
        for (std::size_t first = 0; first < total; first += blockSize) {
            const std::size_t count = std::min(blockSize, total - first);
            scenes->Read(first, count, block);
            scenes->ReadPassThrough(first, count, passThrough);
            outcomes.assign(count, {});
            derivativesOf.assign(derivatives ? count : 0, {});
            auto work = [&](std::size_t s) {
                const Scene& scene = block[s];
                if (scene.failure) {
                    std::vector<ChannelOutcome>& o = outcomes[s];
                    o.assign(selection.indices.size(), ChannelOutcome{});
                    for (ChannelOutcome& x : o) x.failure = scene.failure;
                    if (derivatives) derivativesOf[s].assign(selection.indices.size(), ChannelDerivatives{});
                } else if (derivatives) {
                    ChannelsWithJacobian r =
                        CalculateChannelsWithJacobian(sensor.sensor, selection.indices, scene.surface,
                                                      ViewOf(scene.profile), options.model, options.extrapolate);
                    std::vector<ChannelDerivatives>& d = derivativesOf[s];
                    d.resize(selection.indices.size());
                    for (std::size_t c = 0; c < d.size(); ++c)
                        if (r.outcomes[c].computed)
                            d[c] = DerivativesOf(
                                r.jacobians[c],
                                JacobianOutputOf(sensor.sensor.channels[selection.indices[c]].polarisation),
                                ViewOf(scene.profile), jacobians);
                    outcomes[s] = std::move(r.outcomes);
                } else {
                    outcomes[s] = CalculateChannels(sensor.sensor, selection.indices, scene.surface,
                                                    ViewOf(scene.profile), options.model, options.extrapolate);
                }
            };
            RunOnThreads(
                count, threads, work, [] { return interrupted.load(); },
                [&](std::size_t done) { progress.Show(first + done); });
            if (interrupted.load()) {
                progress.End();
                writer->Abandon();
                err << "Прервано: выходной файл не записан.\n";
                return kBatchInterrupted;
            }
            for (std::size_t s = 0; s < count; ++s) {
                bool any = block[s].failure.has_value();
                for (const ChannelOutcome& o : outcomes[s]) any = any || !o.computed;
                if (any) ++refused;
            }
            writer->Write(first, outcomes, derivativesOf, block, passThrough);
            progress.Show(first + count);
        }
        writer->Commit();
        progress.End();
    } catch (const BatchError& e) {
        err << e.what() << '\n';
        return kBatchFailed;
    } catch (const std::bad_alloc&) {
        // Every block, the writer and its temporary file are gone by now.
        err << OutOfMemoryMessage(blockSize, shape, threads) << '\n';
        return kBatchFailed;
    }
    err << "Сцен: " << total << ", рассчитано: " << total - refused << ", отклонено: " << refused << ".\n";
    return refused > 0 ? kBatchRefusals : kBatchComplete;
}

}  // namespace seasky
