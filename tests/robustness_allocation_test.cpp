// No heap allocation by our code during the show's frames. The test binary's global
// operator new counts, while armed, the allocations whose nearest caller outside the C++
// runtime lies in this executable (our code, statically linked); the driver's own, such as
// LLVM compiling a shader variant for llvmpipe, come from its shared libraries and are not ours.
// Under a sanitizer the runtime's own operator new stays in place (it checks new/delete
// pairing for every other test), and these tests are skipped.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <execinfo.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/FrameStats.h"
#include "app/Music.h"
#include "app/Presentation.h"
#include "bench/ShowFrames.h"
#include "demo/Demo.h"
#include "engine/Engine.h"
#include "resources/ResourceManager.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define COUNTING_NEW 0
#else
#define COUNTING_NEW 1
#endif

namespace {

std::atomic<bool> counting{false};
thread_local bool insideCount = false;  // backtrace and dladdr must not count themselves
std::atomic<int> ourAllocations{0};
const void* executableBase = nullptr;
const void* runtimeBase = nullptr;  // libstdc++: its frames are skipped to find the caller

const void* baseOf(const void* address) {
    Dl_info info{};
    return dladdr(address, &info) != 0 ? info.dli_fbase : nullptr;
}

[[maybe_unused]] void noteAllocation() {
    if (!counting.load(std::memory_order_relaxed) || insideCount) {
        return;
    }
    insideCount = true;
    void* frames[16];
    const int depth = backtrace(frames, 16);
    for (int i = 2; i < depth; ++i) {  // 0: here, 1: operator new
        const void* base = baseOf(frames[i]);
        if (base == runtimeBase) {
            continue;
        }
        if (base == executableBase) {
            ourAllocations.fetch_add(1);
        }
        break;
    }
    insideCount = false;
}

[[maybe_unused]] void* allocate(std::size_t size) {
    noteAllocation();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

}  // namespace

#if COUNTING_NEW
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    noteAllocation();
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    noteAllocation();
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
#endif

namespace {

constexpr int32_t WARM_UP_FRAMES = 20;
constexpr int32_t COUNTED_FRAMES = 20;

class FrameAllocations : public ::testing::Test {
protected:
    void SetUp() override {
        if (!COUNTING_NEW) {
            GTEST_SKIP() << "a sanitizer's operator new is in place";
        }
        engine = Engine::getInstance();
        resourceManager = ResourceManager::getInstance();
        ASSERT_TRUE(setupDemo());
        demoState = 0;
        timeMs = 1000;
        executableBase = baseOf(reinterpret_cast<const void*>(&updateDemo));
        runtimeBase = baseOf(reinterpret_cast<const void*>(&std::terminate));
        void* frames[4];
        backtrace(frames, 4);  // loads the unwinder now rather than while counting
    }
};

// The counter itself must see an allocation made here, or a zero below would prove nothing.
TEST_F(FrameAllocations, TheCounterSeesOurOwnAllocations) {
    ourAllocations.store(0);
    counting.store(true);
    auto* text = new std::string(100, 'x');
    counting.store(false);
    delete text;
    EXPECT_GE(ourAllocations.load(), 1);
}

TEST_F(FrameAllocations, NoSceneAllocatesAfterItsWarmUpFrames) {
    for (const SceneMoment& moment : SCENE_MOMENTS) {
        playToMoment(moment, WARM_UP_FRAMES, true);
        ASSERT_EQ(demoState, moment.scene);
        ourAllocations.store(0);
        counting.store(true);
        for (int32_t i = 0; i < COUNTED_FRAMES; ++i) {
            showFrame(moment.order, true);
        }
        counting.store(false);
        EXPECT_EQ(ourAllocations.load(), 0) << "scene " << moment.scene << " (" << moment.content << ")";
    }
}

// The audio callback and the frame's look-up run under the audio device's lock, the rest of the
// frame loop's bookkeeping after each swap: none may allocate.
TEST(MusicAllocations, TheCallbackAndTheRefreshAllocateNothing) {
    if (!COUNTING_NEW) {
        GTEST_SKIP() << "a sanitizer's operator new is in place";
    }
    executableBase = baseOf(reinterpret_cast<const void*>(&updateDemo));
    runtimeBase = baseOf(reinterpret_cast<const void*>(&std::terminate));
    applyPlayerSettings();
    std::string error;
    modFile = loadModuleFile(MODULE_PATH, error);
    ASSERT_NE(modFile, nullptr) << error;
    startMusicTimeline(-200);
    std::vector<Uint8> buffer(4096 * AUDIO_BYTES_PER_FRAME);
    void* frames[4];
    backtrace(frames, 4);
    // The frame loop's own part of a frame: the music aimed at the frame's time on screen, the
    // delay measured at its swap, the --stats report's figures.
    PresentationDelay presentation;
    FrameStats stats;
    startFrameStats(stats, 16667);
    ourAllocations.store(0);
    counting.store(true);
    for (int callback = 0; callback < 200; ++callback) {
        audioCallback(nullptr, buffer.data(), static_cast<int>(buffer.size()));
        const HeardMusic aimed = readHeardMusic(0, expectedPresentationUs(presentation));
        musicSnapshot = aimed.snapshot;
        const HeardMusic shown = readHeardMusic(0, 0);
        recordPresentation(presentation, aimed.atUs, shown.atUs + 16000);
        recordShownFrame(stats, shown.atUs, aimed.snapshot, 16000, shown.frame - aimed.frame);
    }
    counting.store(false);
    EXPECT_EQ(ourAllocations.load(), 0);
    EXPECT_GT(musicSnapshot.order, 0) << "the song moved on";
    ModPlug_Unload(modFile);
    modFile = nullptr;
}

}  // namespace
