// The pool: size classes, references, heap failures and threads; under
// AddressSanitizer released blocks are poisoned.
#include <qeb/qebmempool.h>

#include "qebasan.h"
#include "qebmempool_internal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr const char *kNoCounts =
    "Tiny: 0 Small 0 Med: 0 Large: 0 Unmanaged: 0 Total: 0 Frees: 0";

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

}  // namespace
