// The memory of batch runs, measured: a block follows its budget, not the
// channels or the distinct profiles of the input, and a run that runs out of
// memory ends with a refusal that leaves nothing behind.
//
// This test program's operator new counts the bytes live on the heap and their
// peak (the allocator's own sizes, malloc_usable_size), and fails past a limit
// when one is set, as an allocator does when memory runs out. The netCDF
// library's own buffers (malloc) are not counted: they do not grow with a block.
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>

#include "app/profile_reader.h"
#include "app/standard_atmospheres.h"
#include "batch/batch_run.h"
#include "batch/block_plan.h"
#include "scene_files.h"
#include "test_support.h"

namespace {

std::atomic<std::size_t> heapLive{0};
std::atomic<std::size_t> heapPeak{0};
std::atomic<std::size_t> heapLimit{0};  // 0: none

}  // namespace

void* operator new(std::size_t bytes) {
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr) throw std::bad_alloc();
    const std::size_t size = malloc_usable_size(p);
    const std::size_t live = heapLive.fetch_add(size) + size;
    const std::size_t limit = heapLimit.load();
    if (limit != 0 && live > limit) {
        heapLive.fetch_sub(size);
        std::free(p);
        throw std::bad_alloc();
    }
    std::size_t peak = heapPeak.load();
    while (live > peak && !heapPeak.compare_exchange_weak(peak, live)) {
    }
    return p;
}

void operator delete(void* p) noexcept {
    if (p == nullptr) return;
    heapLive.fetch_sub(malloc_usable_size(p));
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }

// The other forms go through the two above, so that every allocation is counted
// and each is freed by the allocator that made it (under AddressSanitizer its
// own forms would otherwise be paired with this free).
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(bytes);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t bytes) { return ::operator new(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t& tag) noexcept { return ::operator new(bytes, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { ::operator delete(p); }
void operator delete[](void* p) noexcept { ::operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { ::operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { ::operator delete(p); }

namespace seasky {
namespace {

namespace fs = std::filesystem;

// The growth of the heap's peak over what was live when it was made.
class HeapWatch {
public:
    HeapWatch() : base_(heapLive.load()) { heapPeak.store(base_); }
    std::size_t Growth() const { return heapPeak.load() - base_; }

private:
    std::size_t base_;
};

// Allocation fails once the heap grows by more than bytes, until the object ends.
class HeapLimit {
public:
    explicit HeapLimit(std::size_t bytes) { heapLimit.store(heapLive.load() + bytes); }
    ~HeapLimit() { heapLimit.store(0); }
};

using Folder = test::ScratchFolder;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// A sensor file of n channels, 10 to 80 GHz, each one frequency wide.
void WriteManyChannels(const std::string& path, int n) {
    std::ofstream out(path);
    out << R"({"name": "many", "channels": [)";
    for (int i = 0; i < n; ++i)
        out << (i > 0 ? "," : "") << R"({"name": "c)" << i << R"(", "centre": )" << 10.0 + 70.0 * i / n
            << R"(, "bandwidth": 0.01, "polarisation": ")" << (i % 2 ? "H" : "V") << R"(", "incidenceAngle": 53})";
    out << "]}";
}

// Scenes of a 2-level profile (0-1000 m: cheap to compute); every other one
// refused for its wind (each channel then holds a message).
std::vector<test::TestScene> CheapScenes(int n) {
    std::vector<test::TestScene> scenes(n);
    for (int i = 0; i < n; ++i) {
        ProfileStore& p = scenes[i].profile;
        p.levelCount = 2;
        p.height = {0.0, 1000.0};
        p.airTemperature = {290.0, 284.0};
        p.pressure = {1013.0, 900.0};
        p.absoluteHumidity = {10.0, 6.0};
        p.cloudWater = {0.0, 0.0};
        scenes[i].wind = i % 2 ? 40.0 : 5.0;
    }
    return scenes;
}

int RunWith(const std::string& scenes, const std::string& sensor, const std::string& output, std::size_t budget,
            std::string* messages = nullptr, const std::string& channels = "") {
    BatchOptions options;
    options.scenes = scenes;
    options.sensor = sensor;
    options.channels = channels;
    options.output = output;
    options.threads = 2;
    options.quiet = true;
    options.blockBudget = budget;
    std::ostringstream err;
    const int status = RunBatch(options, err);
    if (messages != nullptr) *messages = err.str();
    return status;
}

TEST(BlockPlan, ABlockHoldsWhatFitsItsBudget) {
    // The estimate of a scene grows with its channels and levels, and a block
    // holds the scenes that fit the budget: between one per thread and the most
    // asked for.
    BlockShape few{36, 14, false, false, 0}, many{36, 500, false, false, 0}, deep{100000, 14, false, false, 0},
        derived{100000, 14, true, true, 0};
    EXPECT_LT(BytesPerScene(few), BytesPerScene(many));
    EXPECT_LT(BytesPerScene(few), BytesPerScene(deep));
    EXPECT_LT(BytesPerScene(deep), BytesPerScene(derived));
    // A level derivative of a channel is five doubles a level (four quantities
    // and the weighting function) and the writer's one: 48 bytes.
    EXPECT_GE(BytesPerScene(derived) - BytesPerScene({100000, 14, true, false, 0}), 14u * 100000u * 48u);
    for (const BlockShape& shape : {few, many, deep, derived})
        for (const std::size_t budget : {kMiB, 64 * kMiB}) {
            const std::size_t n = ScenesPerBlock(shape, budget, 4096, 2);
            EXPECT_GE(n, 2u);
            EXPECT_LE(n, 4096u);
            if (n > 2 && n < 4096) {
                EXPECT_LE(n * BytesPerScene(shape), budget);
                EXPECT_GT((n + 1) * BytesPerScene(shape), budget);
            }
        }
    EXPECT_GT(ScenesPerBlock(few, 64 * kMiB, 4096, 2), 2000u);  // 14 channels of 36 levels: thousands
    EXPECT_EQ(ScenesPerBlock(few, 64 * kMiB, 3, 2), 3u);
    EXPECT_EQ(ScenesPerBlock(derived, kMiB, 4096, 8), 8u);  // one scene per thread at least
}

TEST(BatchMemory, ARunFollowsTheBudgetNotTheChannels) {
    // 400 channels over 200 scenes: 80,000 outcomes, half of them refusals with
    // their messages. Measured, the heap's growth stays within the block budget
    // (and a margin for the sensor, the writer and the threads' working memory),
    // and a larger budget holds more.
    const Folder dir;
    WriteManyChannels(dir / "many.json", 400);
    test::SceneFileLayout layout;
    layout.withLatitude = false;
    test::WriteSceneFile(dir / "scenes.nc", CheapScenes(200), layout);
    std::size_t small = 0, large = 0;
    {
        const HeapWatch watch;
        std::string messages;
        ASSERT_EQ(RunWith(dir / "scenes.nc", dir / "many.json", dir / "small.nc", 2 * kMiB, &messages),
                  kBatchRefusals)
            << messages;
        small = watch.Growth();
    }
    {
        const HeapWatch watch;
        ASSERT_EQ(RunWith(dir / "scenes.nc", dir / "many.json", dir / "large.nc", 64 * kMiB), kBatchRefusals);
        large = watch.Growth();
    }
    EXPECT_LT(small, 2 * kMiB + kMiB) << small;
    EXPECT_GT(large, 4 * small) << large << " " << small;  // blocks of about 160 scenes
    // The same results, NaN where refused.
    const std::vector<double> a = test::ReadDoubles(dir / "small.nc", "tb");
    const std::vector<double> b = test::ReadDoubles(dir / "large.nc", "tb");
    ASSERT_EQ(a.size(), 200u * 400u);
    ASSERT_EQ(b.size(), a.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_TRUE(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i]) && (i / 400) % 2 == 1)) << i;
}

TEST(BatchMemory, ARunFollowsTheBudgetNotTheDistinctProfiles) {
    // 30 CSV scenes, each naming its own profile file of 5000 levels (200 KB a
    // profile read), take no more memory than 30 scenes of one such profile:
    // profiles are held a block at a time, not for the whole run.
    const Folder dir;
    for (int s = 0; s < 30; ++s) {
        std::string name = "p";
        name += std::to_string(s);
        std::ofstream profile(dir / (name + ".txt"));
        profile << "5000\n";
        for (int i = 0; i < 5000; ++i)
            profile << i * 0.4 + s << ' ' << 290.0 - 0.0026 * i << ' ' << 1013.0 - 0.04 * i << ' ' << 10.0 - 0.001 * i
                    << " 0\n";
    }
    std::ofstream distinct(dir / "distinct.csv"), same(dir / "same.csv");
    distinct << "profile,sst,salinity,wind,azimuth\n";
    same << "profile,sst,salinity,wind,azimuth\n";
    for (int s = 0; s < 30; ++s) {
        distinct << 'p' << s << ".txt,20,35,5,0\n";
        same << "p0.txt,20,35,5,0\n";
    }
    distinct.close();
    same.close();
    std::size_t growth[2] = {0, 0};
    const char* files[2] = {"same.csv", "distinct.csv"};
    for (int k = 0; k < 2; ++k) {
        const HeapWatch watch;
        std::string messages;
        ASSERT_EQ(RunWith(dir / files[k], "amsr2", dir / "out.nc", kMiB, &messages, "18.7V"), kBatchComplete)
            << messages;
        growth[k] = watch.Growth();
    }
    // Held for the run, the 30 profiles would take 6 MB more.
    EXPECT_LT(growth[1], growth[0] + kMiB / 2) << growth[1] << " " << growth[0];
    // Every scene's own profile was read: the heights differ by a metre a file.
    const std::vector<double> tb = test::ReadDoubles(dir / "out.nc", "tb");
    ASSERT_EQ(tb.size(), 30u);
    for (std::size_t s = 1; s < 30; ++s) EXPECT_NE(tb[s], tb[s - 1]) << s;
}

TEST(BatchMemory, RunningOutOfMemoryIsRefusedAndLeavesNothing) {
    // The default budget puts the 200 scenes of 400 channels in one block of
    // tens of megabytes; with the heap limited to 4 MiB more, an allocation
    // fails (in a worker thread or while reading or writing the block). The run
    // ends with its message and status, and neither the output nor its
    // temporary file is left.
    const Folder dir;
    WriteManyChannels(dir / "many.json", 400);
    test::WriteSceneFile(dir / "scenes.nc", CheapScenes(200));
    std::string messages;
    int status = 0;
    {
        const HeapLimit limit(4 * kMiB);
        status = RunWith(dir / "scenes.nc", dir / "many.json", dir / "out.nc", kBlockBudgetBytes, &messages);
    }
    EXPECT_EQ(status, kBatchFailed);
    EXPECT_EQ(messages.rfind("Not enough memory for the batch run (blocks of ", 0), 0u) << messages;
    EXPECT_NE(messages.find("levels and 400 channels, about"), std::string::npos) << messages;
    EXPECT_NE(messages.find("on 2 threads): nothing was written"), std::string::npos) << messages;
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"many.json", "scenes.nc"}));
}

}  // namespace
}  // namespace seasky
