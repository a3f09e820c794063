// How a batch run holds and computes its scenes: how many scenes make a block,
// how many threads a run may start, and the threads that compute one block.
//
// A block holds as many scenes as fit in a memory budget (kBlockBudgetBytes),
// counting everything one scene takes while its block is in memory: its profile
// as read and as converted, its level indices, the outcome of every channel
// (with room for a refusal's message), the derivatives asked for, the writer's
// arrays and the pass-through values. So a run's memory follows the budget, not
// the number of scenes, channels, levels or distinct profiles of its input. The
// working memory of the calculation itself is per thread, not per block.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace seasky {

// The memory one block of scenes may take, in bytes.
inline constexpr std::size_t kBlockBudgetBytes = std::size_t{64} << 20;

// The most scenes of a block, whatever fits in the budget: enough to keep the
// threads busy and the writes few.
inline constexpr std::size_t kMostScenesPerBlock = 4096;

// The most worker threads per core of the machine (see MaxThreads).
inline constexpr int kThreadsPerCore = 4;

// What a block's memory depends on.
struct BlockShape {
    std::size_t levels = 0;            // the scene file's level count
    std::size_t channels = 0;          // the channels computed
    bool derivatives = false;          // --jacobians given
    bool levelDerivatives = false;     // with derivatives per level (and weighting functions)
    std::size_t passThroughBytes = 0;  // the pass-through values of one scene
};

// The bytes one scene takes while its block is in memory (an upper estimate).
std::size_t BytesPerScene(const BlockShape& shape);

// The scenes of one block: as many as fit in budget bytes, at most `most`, and
// at least one per thread (so that every thread has a scene: a block then takes
// up to threads x BytesPerScene, beyond the budget only when one scene does).
std::size_t ScenesPerBlock(const BlockShape& shape, std::size_t budget, std::size_t most, int threads);

// The most threads a run may start: kThreadsPerCore x the machine's cores
// (std::thread::hardware_concurrency, 1 when unknown). More threads than cores
// gain nothing for a calculation bound by the processor; each one costs a
// stack, and thousands of them exhaust the process's limits.
int MaxThreads();

// "--threads N is more than the M this machine allows (...)"; empty when
// threads (0: one per core) is accepted.
std::string ThreadCountRefusal(int threads);

// The message of a run that ran out of memory: the block it was holding
// (scenes 0: before the first block), and that nothing was written.
std::string OutOfMemoryMessage(std::size_t scenesPerBlock, const BlockShape& shape, int threads);

// Calls work(s) once for every s in [0, count), on `threads` threads of their
// own (on the calling thread alone when one thread or one scene), and stops
// handing out scenes once stop() is true. The calling thread waits and calls
// tick(scenes done) about every 200 ms. An exception thrown by work stops the
// other threads and is thrown again here once every thread has ended; a thread
// that cannot be started ends the ones started and throws BatchError (cannot
// start N threads).
void RunOnThreads(std::size_t count, int threads, const std::function<void(std::size_t)>& work,
                  const std::function<bool()>& stop, const std::function<void(std::size_t)>& tick);

}  // namespace seasky
