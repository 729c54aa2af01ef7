// The pool: size classes, references, heap failures, threads and their
// caches; under AddressSanitizer released blocks are poisoned.
#include <qeb/qebmempool.h>

#include "qebasan.h"
#include "qebmempool_internal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <future>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr const char *kNoCounts =
    "Tiny: 0 Small 0 Med: 0 Large: 0 Unmanaged: 0 Total: 0 Frees: 0";
constexpr unsigned kClassSizes[] = {16, 64, 256, 1024};

// Every test starts and ends without a pool, so the counters are exact.
class MemPool : public ::testing::Test {
protected:
    void SetUp() override { destroyPool(); }
    void TearDown() override {
        qeb_internal::failHeapAt(0);
        qeb_internal::failGetBytesAt(0);
        destroyPool();
    }
    static void destroyPool() {
        while (qeb_internal::poolReferences() > 0) QebMemPool::freePool();
    }
    static void *get(unsigned size) {
        void *p = nullptr;
        EXPECT_TRUE(QebMemPool::getBytes(size, &p));
        EXPECT_NE(p, nullptr);
        return p;
    }
};

// A thread that runs `before`, then waits, still alive, until finish() lets
// it run `after` and end.
class SteppedThread {
public:
    template <class Before, class After>
    SteppedThread(Before before, After after)
        : mThread([this, before, after, go = mGo.get_future()] {
              before();
              mPaused.set_value();
              go.wait();
              after();
          }) {
        mPaused.get_future().wait();
    }
    ~SteppedThread() { finish(); }
    void finish() {
        if (!mThread.joinable()) return;
        mGo.set_value();
        mThread.join();
    }

private:
    std::promise<void> mGo, mPaused;
    std::thread mThread;
};

TEST_F(MemPool, ReferencesAndStatsWithoutAPool) {
    QebMemPool::freePool();  // no reference to drop
    QebMemPool::freeBytes(nullptr);
    int notFromThePool[4] = {};
    QebMemPool::freeBytes(notFromThePool + 2);  // no pool: ignored, not read
    EXPECT_STREQ(QebMemPool::getStats(), kNoCounts);
    QebMemPool::freeBytes(get(8));  // creates the pool with one reference
    ASSERT_TRUE(QebMemPool::initPool());
    QebMemPool::freePool();
    EXPECT_EQ(qeb_internal::poolReferences(), 1);
    QebMemPool::freePool();
    EXPECT_EQ(qeb_internal::poolReferences(), 0);
    EXPECT_STREQ(QebMemPool::getStats(), kNoCounts);
}

#ifdef QEB_ASAN
TEST_F(MemPool, ReleasedBlocksArePoisonedForTheSanitizer) {
    void *block = get(40);
    EXPECT_FALSE(__asan_address_is_poisoned(block));
    QebMemPool::freeBytes(block);
    EXPECT_TRUE(__asan_address_is_poisoned(block));
}
#endif

TEST_F(MemPool, SizeClassBoundaries) {
    std::vector<void *> blocks;
    for (unsigned size : {0u, 16u, 17u, 64u, 65u, 256u, 257u, 1024u, 1025u}) {
        void *p = get(size);
        std::memset(p, 0xA5, size);  // the whole request is usable
        blocks.push_back(p);
    }
    EXPECT_STREQ(QebMemPool::getStats(), "Tiny: 2 Small 2 Med: 2 Large: 2 Unmanaged: 1 Total: 9 Frees: 0");
    for (void *p : blocks) QebMemPool::freeBytes(p);
    // Unmanaged blocks go back to the heap uncounted.
    EXPECT_STREQ(QebMemPool::getStats(), "Tiny: 2 Small 2 Med: 2 Large: 2 Unmanaged: 1 Total: 9 Frees: 8");
    EXPECT_EQ(qeb_internal::outstandingPoolBlocks(), 0u);
}

TEST_F(MemPool, SizesThatWouldWrapTheHeaderAreRefused) {
    void *p = &p;
    EXPECT_FALSE(QebMemPool::getBytes(UINT_MAX - 7, &p));
    EXPECT_EQ(p, nullptr);
    EXPECT_FALSE(QebMemPool::getBytes(8, nullptr));
}

TEST_F(MemPool, FailedInitLeavesNoPoolAndNothingAllocated) {
    // The record, then a chunk, a stack and a node for each of four classes.
    for (long n = 1; n <= 13; ++n) {
        qeb_internal::failHeapAt(n);
        EXPECT_FALSE(QebMemPool::initPool()) << "heap failure " << n;
        EXPECT_EQ(qeb_internal::poolReferences(), 0);
        void *p = &p;
        qeb_internal::failHeapAt(n);
        EXPECT_FALSE(QebMemPool::getBytes(4, &p));
        EXPECT_EQ(p, nullptr);
    }
    qeb_internal::failHeapAt(14);
    EXPECT_TRUE(QebMemPool::initPool());
}

TEST_F(MemPool, FailedRefillIsCountedAndTheClassStaysUsable) {
    std::vector<void *> blocks;
    for (int i = 0; i < 1024; ++i) blocks.push_back(get(100));
    for (long n = 1; n <= 3; ++n) {
        qeb_internal::failHeapAt(n);
        void *p = &p;
        EXPECT_FALSE(QebMemPool::getBytes(100, &p));
        EXPECT_EQ(p, nullptr);
    }
    blocks.push_back(get(100));
    EXPECT_STREQ(QebMemPool::getStats(), "Tiny: 0 Small 0 Med: 1028 Large: 0 Unmanaged: 0 Total: 1028 Frees: 0");
    for (void *p : blocks) QebMemPool::freeBytes(p);
}

TEST_F(MemPool, ThreadsShareThePool) {
    ASSERT_TRUE(QebMemPool::initPool());  // created before the threads start
    constexpr int kThreads = 4, kRounds = 50000;
    std::vector<std::thread> threads;
    std::vector<int> errors(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &errors] {
            std::mt19937 random(t);
            std::vector<std::pair<unsigned char *, unsigned>> held;
            for (int i = 0; i < kRounds; ++i) {
                if (held.size() < 64 && (held.empty() || random() % 3 != 0)) {
                    unsigned size = 1 + random() % 1500;
                    void *p = nullptr;
                    if (!QebMemPool::getBytes(size, &p)) { ++errors[t]; continue; }
                    std::memset(p, t, size);
                    held.emplace_back(static_cast<unsigned char *>(p), size);
                } else {
                    size_t k = random() % held.size();
                    auto [p, size] = held[k];
                    for (unsigned j = 0; j < size; ++j) errors[t] += p[j] != t;
                    QebMemPool::freeBytes(p);
                    held[k] = held.back();
                    held.pop_back();
                }
            }
            for (auto &[p, size] : held) QebMemPool::freeBytes(p);
        });
    }
    for (auto &thread : threads) thread.join();
    for (int e : errors) EXPECT_EQ(e, 0);
    EXPECT_EQ(qeb_internal::outstandingPoolBlocks(), 0u);
}

// Takes blocks of every class and an unmanaged size, then gives them back:
// Tiny 100, Small 70, Med 50, Large 40, Unmanaged 3, 260 frees.
void churn() {
    constexpr std::pair<unsigned, int> kRequests[] = {{0, 100}, {40, 70}, {200, 50}, {1000, 40}, {5000, 3}};
    std::vector<void *> held;
    for (auto [size, count] : kRequests)
        for (int i = 0; i < count; ++i) {
            void *p = nullptr;
            EXPECT_TRUE(QebMemPool::getBytes(size, &p));
            held.push_back(p);
        }
    for (void *p : held) QebMemPool::freeBytes(p);
}

TEST_F(MemPool, StatisticsCountEveryThreadAndCachedBlocksAreFree) {
    ASSERT_TRUE(QebMemPool::initPool());
    constexpr const char *kFourChurns =
        "Tiny: 400 Small 280 Med: 200 Large: 160 Unmanaged: 12 Total: 1052 Frees: 1040";
    std::thread(churn).join();
    churn();
    {
        SteppedThread running(churn, [] {}), alsoRunning(churn, [] {});
        EXPECT_STREQ(QebMemPool::getStats(), kFourChurns);
        EXPECT_EQ(qeb_internal::outstandingPoolBlocks(), 0u);
    }
    // Ended threads gave their blocks and counts back.
    EXPECT_STREQ(QebMemPool::getStats(), kFourChurns);
    EXPECT_EQ(qeb_internal::outstandingPoolBlocks(), 0u);
}

// Given back, after a block taken and given back, as its thread ends. Not a
// member: MinGW's runtime may release a thread_local before its destructor.
void *gReleasedAtThreadEnd = nullptr;
struct ReleaseAtThreadEnd {
    ~ReleaseAtThreadEnd() {
        void *p = nullptr;
        EXPECT_TRUE(QebMemPool::getBytes(8, &p));
        QebMemPool::freeBytes(p);
        QebMemPool::freeBytes(gReleasedAtThreadEnd);
    }
};

TEST_F(MemPool, ThreadsGiveEveryBlockBackEvenWithoutACache) {
    ASSERT_TRUE(QebMemPool::initPool());
    std::thread([] {
        thread_local ReleaseAtThreadEnd late;  // may run after the cache went back
        gReleasedAtThreadEnd = get(40);
    }).join();
    std::thread([] {
        qeb_internal::failHeapAt(1);  // the heap refuses the thread a cache
        void *p = get(200);
        qeb_internal::failHeapAt(1);
        QebMemPool::freeBytes(p);
    }).join();
    EXPECT_STREQ(QebMemPool::getStats(), "Tiny: 1 Small 1 Med: 1 Large: 0 Unmanaged: 0 Total: 3 Frees: 3");
    EXPECT_EQ(qeb_internal::outstandingPoolBlocks(), 0u);
}

TEST_F(MemPool, ReleasedBlocksComeBackLastInFirstOut) {
    // Blocks a thread kept when it ended are the next ones the pool hands out.
    void *freed = nullptr;
    std::thread([&freed] { QebMemPool::freeBytes(freed = get(40)); }).join();
    EXPECT_EQ(get(40), freed);
    QebMemPool::freeBytes(freed);
    for (unsigned size : kClassSizes) {
        // More than a thread keeps for itself, so some pass through the pool.
        std::vector<void *> blocks;
        for (int i = 0; i < 100; ++i) blocks.push_back(get(size));
        for (void *p : blocks) QebMemPool::freeBytes(p);
        for (auto p = blocks.rbegin(); p != blocks.rend(); ++p) EXPECT_EQ(get(size), *p) << size << " bytes";
        for (void *p : blocks) QebMemPool::freeBytes(p);
    }
}

TEST_F(MemPool, CachesNeverHandOutBlocksOfADestroyedPool) {
    ASSERT_TRUE(QebMemPool::initPool());
    const auto cacheOneOfEach = [] {
        for (unsigned size : kClassSizes) QebMemPool::freeBytes(get(size));
    };
    // Under the sanitizer, writing to a block of the old pool is a use after free.
    const auto useOneOfEach = [] {
        for (unsigned size : kClassSizes) {
            void *p = get(size);
            std::memset(p, 0x5A, size);
            QebMemPool::freeBytes(p);
        }
    };
    SteppedThread other(cacheOneOfEach, useOneOfEach);
    cacheOneOfEach();
    QebMemPool::freePool();
    ASSERT_TRUE(QebMemPool::initPool());
    useOneOfEach();
    other.finish();
    EXPECT_STREQ(QebMemPool::getStats(), "Tiny: 2 Small 2 Med: 2 Large: 2 Unmanaged: 0 Total: 8 Frees: 8");
    EXPECT_EQ(qeb_internal::outstandingPoolBlocks(), 0u);
}

}  // namespace
