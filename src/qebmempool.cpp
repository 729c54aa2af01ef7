#include <qeb/qebmempool.h>

#include "ks_thread.h"
#include "qebasan.h"
#include "qebmempool_internal.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#ifdef QEB_ASAN
// Free blocks and the unrequested tail of a block are poisoned, so that the
// sanitizer build catches use after release and overruns inside the pool.
#define QEB_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define QEB_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define QEB_POISON(p, n) ((void)(p), (void)(n))
#define QEB_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

constexpr uint32_t kBlocksPerChunk = 1024;
constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kClassCount = 4;
constexpr uint32_t kBlockSizes[kClassCount] = {16, 64, 256, 1024};
constexpr uint32_t kLargestPooled = 1024;

static_assert(sizeof(void *) <= kHeaderSize, "a block header holds one pointer");

struct ChunkNode {
    char *memory;
    ChunkNode *next;
};

struct SizeClass {
    uint32_t blocksPerChunk;
    uint32_t capacity;
    uint32_t blockSize;
    uint32_t freeCount;
    ChunkNode *firstChunk;
    ChunkNode *lastChunk;
    void **freeStack;
};

long gFailGetBytesAt = 0;
long gFailHeapAt = 0;

// Counts down an armed failure hook; true when this call is the one to fail.
bool injectedFailure(long &countdown) {
    return countdown > 0 && --countdown == 0;
}

void *heapAlloc(size_t bytes) {
    if (injectedFailure(gFailHeapAt)) return nullptr;
    return std::malloc(bytes);
}

SizeClass *&headerOf(void *block) {
    return *reinterpret_cast<SizeClass **>(static_cast<char *>(block) - kHeaderSize);
}

unsigned classIndex(unsigned int size) {
    if (size <= 16) return 0;
    if (size <= 64) return 1;
    if (size <= 256) return 2;
    return 3;
}

bool refill(SizeClass &cls) {
    const uint32_t n = cls.blocksPerChunk;
    const uint32_t newCapacity = cls.capacity + n;
    const size_t stride = size_t(cls.blockSize) + kHeaderSize;
    char *chunk = static_cast<char *>(heapAlloc(stride * n));
    void **stack = static_cast<void **>(heapAlloc(sizeof(void *) * newCapacity));
    ChunkNode *node = static_cast<ChunkNode *>(heapAlloc(sizeof(ChunkNode)));
    if (!chunk || !stack || !node) {
        std::free(chunk);
        std::free(stack);
        std::free(node);
        return false;
    }
    cls.capacity = newCapacity;
    std::free(cls.freeStack);
    cls.freeStack = stack;
    for (uint32_t i = 0; i < n; ++i) {
        char *block = chunk + i * stride + kHeaderSize;
        headerOf(block) = &cls;
        stack[i] = block;
        QEB_POISON(block, cls.blockSize);
    }
    cls.freeCount = n;
    node->memory = chunk;
    node->next = nullptr;
    if (cls.lastChunk)
        cls.lastChunk->next = node;
    else
        cls.firstChunk = node;
    cls.lastChunk = node;
    return true;
}

void destroyClass(SizeClass &cls) {
    for (ChunkNode *node = cls.firstChunk; node;) {
        ChunkNode *next = node->next;
        std::free(node->memory);
        std::free(node);
        node = next;
    }
    std::free(cls.freeStack);
}

}  // namespace

// A spin lock that yields under contention: uncontended it costs one atomic
// exchange and a plain store, which keeps small allocations cheap.
struct QebPoolLock {
    std::atomic<bool> locked{false};

    void lock() {
        unsigned spins = 0;
        while (locked.exchange(true, std::memory_order_acquire)) {
            while (locked.load(std::memory_order_relaxed)) {
                if (++spins > 64) std::this_thread::yield();
            }
        }
    }
    void unlock() { locked.store(false, std::memory_order_release); }
};

namespace {
// Holds the pool lock for a scope. While the process has one thread nothing
// can contend, so the lock is skipped, as the C library's allocator does.
class PoolGuard {
public:
    explicit PoolGuard(QebPoolLock &lock) : mLock(ks_thread_process_is_single() ? nullptr : &lock) {
        if (mLock) mLock->lock();
    }
    ~PoolGuard() {
        if (mLock) mLock->unlock();
    }
    PoolGuard(const PoolGuard &) = delete;
    PoolGuard &operator=(const PoolGuard &) = delete;

private:
    QebPoolLock *mLock;
};
}  // namespace

struct QebPoolRecord {
    SizeClass classes[kClassCount];
    uint32_t classRequests[kClassCount];  // Tiny, Small, Med, Large
    uint32_t unmanaged;
    uint32_t frees;
};

namespace {
void destroyRecord(QebPoolRecord *pool) {
    for (SizeClass &cls : pool->classes) destroyClass(cls);
    std::free(pool);
}
}  // namespace

QebPoolLock QebMemPool::mCS;
QebPoolRecord *QebMemPool::mPool = nullptr;
int QebMemPool::mRefCount = 0;

bool QebMemPool::initPool() {
    if (mRefCount != 0) {
        ++mRefCount;
        return true;
    }
    auto *pool = static_cast<QebPoolRecord *>(heapAlloc(sizeof(QebPoolRecord)));
    if (!pool) return false;
    std::memset(pool, 0, sizeof *pool);
    for (uint32_t i = 0; i < kClassCount; ++i) {
        pool->classes[i].blocksPerChunk = kBlocksPerChunk;
        pool->classes[i].blockSize = kBlockSizes[i];
        if (!refill(pool->classes[i])) {
            destroyRecord(pool);
            return false;
        }
    }
    mPool = pool;
    mRefCount = 1;
    return true;
}

void QebMemPool::freePool() {
    if (mRefCount == 0) return;
    if (--mRefCount > 0) return;
    if (mPool) destroyRecord(mPool);
    mPool = nullptr;
}

bool QebMemPool::getBytes(unsigned int size, void **out) {
    if (!out) return false;
    *out = nullptr;
    if (!mPool && !initPool()) return false;
    // The header must fit beside the request in the block's 32-bit size.
    if (size > UINT_MAX - kHeaderSize) return false;

    PoolGuard guard(mCS);
    const bool fail = injectedFailure(gFailGetBytesAt);
    if (size > kLargestPooled) {
        void *block = fail ? nullptr : heapAlloc(size_t(size) + kHeaderSize);
        if (!block) return false;
        void *user = static_cast<char *>(block) + kHeaderSize;
        headerOf(user) = nullptr;
        ++mPool->unmanaged;
        *out = user;
        return true;
    }
    const unsigned index = classIndex(size);
    SizeClass &cls = mPool->classes[index];
    ++mPool->classRequests[index];
    if (fail || (cls.freeCount == 0 && !refill(cls))) return false;
    void *block = cls.freeStack[--cls.freeCount];
    QEB_UNPOISON(block, size);
    *out = block;
    return true;
}

void QebMemPool::freeBytes(void *p) {
    if (!p || !mPool) return;
    SizeClass *cls = headerOf(p);
    if (!cls) {
        std::free(static_cast<char *>(p) - kHeaderSize);
        return;
    }
    PoolGuard guard(mCS);
    QEB_POISON(p, cls->blockSize);
    cls->freeStack[cls->freeCount++] = p;
    ++mPool->frees;
}

char *QebMemPool::getStats() {
    static char text[256];
    uint32_t counts[kClassCount] = {};
    uint32_t unmanaged = 0, frees = 0;
    if (mPool) {
        std::memcpy(counts, mPool->classRequests, sizeof counts);
        unmanaged = mPool->unmanaged;
        frees = mPool->frees;
    }
    const uint32_t total = counts[0] + counts[1] + counts[2] + counts[3] + unmanaged;
    std::snprintf(text, sizeof text,
                  "Tiny: %lu Small %lu Med: %lu Large: %lu Unmanaged: %lu Total: %lu Frees: %lu",
                  (unsigned long)counts[0], (unsigned long)counts[1], (unsigned long)counts[2],
                  (unsigned long)counts[3], (unsigned long)unmanaged, (unsigned long)total,
                  (unsigned long)frees);
    return text;
}

// Reaches the pool's private state for the internal hooks.
struct QebMemPoolInternals {
    static int references() { return QebMemPool::mRefCount; }
    static unsigned long outstanding() {
        if (!QebMemPool::mPool) return 0;
        PoolGuard guard(QebMemPool::mCS);
        unsigned long held = 0;
        for (const SizeClass &cls : QebMemPool::mPool->classes) held += cls.capacity - cls.freeCount;
        return held;
    }
};

namespace qeb_internal {

// The hooks are armed by a test while no other thread allocates.
void failGetBytesAt(long n) { gFailGetBytesAt = n; }
void failHeapAt(long n) { gFailHeapAt = n; }
bool getBytesFailurePending() { return gFailGetBytesAt > 0; }
int poolReferences() { return QebMemPoolInternals::references(); }
unsigned long outstandingPoolBlocks() { return QebMemPoolInternals::outstanding(); }

}  // namespace qeb_internal
