#include "batch/block_plan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "app/jacobian.h"
#include "app/sensor.h"
#include "batch/batch_output.h"
#include "batch/scenes.h"

namespace seasky {

namespace {

// Room for the heap text of one refusal: a message of a few hundred bytes of
// UTF-8 (Russian text takes two bytes a letter) and the allocator's overhead.
constexpr std::size_t kMessageBytes = 512;
// What the allocator adds to each block it hands out (glibc: 16 bytes).
constexpr std::size_t kAllocationOverhead = 16;
// The quantities of a profile level: height, temperature, pressure, humidity, cloud water.
constexpr std::size_t kLevelValues = 5;

std::string Mebibytes(std::size_t bytes) {
    return std::to_string((bytes + (std::size_t{1} << 20) - 1) >> 20) + " MiB";
}

}  // namespace

std::size_t BytesPerScene(const BlockShape& shape) {
    const std::size_t L = std::max<std::size_t>(shape.levels, 1);
    const std::size_t C = std::max<std::size_t>(shape.channels, 1);
    // The scene: its profile (five doubles a level, six vectors), the file's
    // index of each level, and its refusal.
    std::size_t bytes = sizeof(Scene) + L * (kLevelValues * sizeof(double) + sizeof(int)) +
                        6 * kAllocationOverhead + kMessageBytes;
    // The profile as read, before conversion: the NetCDF reader's arrays of the
    // block, or the CSV reader's profiles of the block (each read once).
    bytes += L * kLevelValues * sizeof(double);
    // Each channel's outcome with its refusal; the writer's six values and status.
    bytes += sizeof(std::vector<ChannelOutcome>) + kAllocationOverhead +
             C * (sizeof(ChannelOutcome) + kMessageBytes + 6 * sizeof(double) + 1);
    // The writer's message of the scene, and its pointers to the message, the
    // note and the profile source.
    bytes += sizeof(std::string) + 3 * sizeof(const char*) + kMessageBytes;
    if (shape.derivatives) {
        // Each channel's derivatives, and the writer's array of one scalar derivative.
        bytes += sizeof(std::vector<ChannelDerivatives>) + kAllocationOverhead +
                 C * (sizeof(ChannelDerivatives) + 2 * kAllocationOverhead + sizeof(double));
        // Per level: the four quantities' derivatives and the weighting function
        // of each channel, the writer's array of one of them, and the writer's
        // heights of the scene's levels.
        if (shape.levelDerivatives) bytes += (C * L * (kProfileQuantities + 1 + 1) + L) * sizeof(double);
    }
    return bytes + shape.passThroughBytes;
}

std::size_t ScenesPerBlock(const BlockShape& shape, std::size_t budget, std::size_t most, int threads) {
    std::size_t scenes = budget / BytesPerScene(shape);
    scenes = std::max<std::size_t>(scenes, static_cast<std::size_t>(std::max(threads, 1)));
    return std::max<std::size_t>(std::min(scenes, most), 1);
}

int MaxThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return kThreadsPerCore * static_cast<int>(std::max(cores, 1u));
}

std::string ThreadCountRefusal(int threads) {
    if (threads < 0) return "--threads " + std::to_string(threads) + ": give a number of threads (0: one per core)";
    if (threads <= MaxThreads()) return "";
    return "--threads " + std::to_string(threads) + " is more than the " + std::to_string(MaxThreads()) +
           " this machine allows (" + std::to_string(kThreadsPerCore) + " per core, " +
           std::to_string(MaxThreads() / kThreadsPerCore) + " cores); nothing was computed";
}

std::string OutOfMemoryMessage(std::size_t scenesPerBlock, const BlockShape& shape, int threads) {
    if (scenesPerBlock == 0) return "Not enough memory to start the batch run: nothing was written";
    return "Not enough memory for the batch run (blocks of " + std::to_string(scenesPerBlock) + " scenes of " +
           std::to_string(shape.levels) + " levels and " + std::to_string(shape.channels) + " channels, about " +
           Mebibytes(scenesPerBlock * BytesPerScene(shape)) + " each, on " + std::to_string(threads) +
           " threads): nothing was written";
}

void RunOnThreads(std::size_t count, int threads, const std::function<void(std::size_t)>& work,
                  const std::function<bool()>& stop, const std::function<void(std::size_t)>& tick) {
    const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), count);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex mutex;
    std::condition_variable ended;
    std::size_t running = 0;
    auto loop = [&] {
        try {
            for (std::size_t s = next++; s < count && !failed.load() && !stop(); s = next++) {
                work(s);
                ++done;
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (!error) error = std::current_exception();
            failed.store(true);
        }
    };
    if (workers <= 1) {
        loop();
        if (error) std::rethrow_exception(error);
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(workers);
    try {
        for (std::size_t t = 0; t < workers; ++t) {
            {
                const std::lock_guard<std::mutex> lock(mutex);
                ++running;
            }
            try {
                pool.emplace_back([&] {
                    loop();
                    const std::lock_guard<std::mutex> lock(mutex);
                    --running;
                    ended.notify_all();
                });
            } catch (...) {
                const std::lock_guard<std::mutex> lock(mutex);
                --running;
                throw;
            }
        }
    } catch (const std::system_error& e) {
        failed.store(true);
        for (std::thread& t : pool) t.join();
        throw BatchError("Cannot start " + std::to_string(workers) + " threads (" + e.code().message() +
                         "): give fewer with --threads");
    } catch (...) {
        failed.store(true);
        for (std::thread& t : pool) t.join();
        throw;
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (running > 0) {
            if (ended.wait_for(lock, std::chrono::milliseconds(200), [&] { return running == 0; })) break;
            lock.unlock();
            tick(done.load());
            lock.lock();
        }
    }
    for (std::thread& t : pool) t.join();
    if (error) std::rethrow_exception(error);
}

}  // namespace seasky
