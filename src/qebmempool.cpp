#include <qeb/qebmempool.h>

#include "ks_thread.h"
#include "qebasan.h"
#include "qebmempool_internal.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
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
// Free blocks a thread keeps per class, and how many move between its cache
// and the pool at once: enough that the lock is rarely taken, few enough
// that idle threads hold little.
constexpr uint32_t kCacheBlocks = 32;
constexpr uint32_t kCacheBatch = kCacheBlocks / 2;
// The statistics: requests per class (0 to 3), then these two.
constexpr unsigned kUnmanaged = kClassCount;
constexpr unsigned kFrees = kClassCount + 1;
constexpr unsigned kCounterCount = kClassCount + 2;

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

// Moves up to n free blocks from the top of the class's stack to dst, in
// stack order, carving a chunk when there are none. Returns how many; 0 when
// the heap refuses the chunk.
uint32_t takeBlocks(SizeClass &cls, void **dst, uint32_t n) {
    if (cls.freeCount == 0 && !refill(cls)) return 0;
    n = std::min(n, cls.freeCount);
    cls.freeCount -= n;
    std::memcpy(dst, cls.freeStack + cls.freeCount, n * sizeof *dst);
    return n;
}

// Pushes n free blocks on the class's stack, src[n - 1] on top. The stack
// has a slot for every block carved, so they always fit.
void giveBlocks(SizeClass &cls, void *const *src, uint32_t n) {
    std::memcpy(cls.freeStack + cls.freeCount, src, n * sizeof *src);
    cls.freeCount += n;
}

}  // namespace

// A spin lock that yields under contention. It is held only to move a batch
// of blocks between a thread's cache and the pool, or for the bookkeeping.
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
    // Statistics given back by thread caches; the live caches keep their own.
    uint32_t counts[kCounterCount];
    // Tells a thread cache whether what it holds belongs to this pool: a new
    // pool may sit at the address of a destroyed one.
    uint64_t generation;
};

// Reaches the pool's private state for the helpers and the internal hooks.
struct QebMemPoolInternals {
    static QebPoolLock &lock() { return QebMemPool::mCS; }
    static QebPoolRecord *pool() { return QebMemPool::mPool; }
    static int references() { return QebMemPool::mRefCount; }
};

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

void destroyRecord(QebPoolRecord *pool) {
    for (SizeClass &cls : pool->classes) destroyClass(cls);
    std::free(pool);
}

uint64_t gPoolsCreated = 0;

// A thread's own free blocks and statistics. getBytes and freeBytes use it
// without the lock, so the common path neither waits nor writes a cache line
// another thread writes; blocks move to and from the pool in batches.
struct ThreadCache {
    uint64_t generation;         // of the pool its blocks and counts belong to; 0: none
    uint32_t held[kClassCount];  // free blocks per class
    // Only the owner writes them; getStats reads them from other threads.
    std::atomic<uint32_t> counts[kCounterCount];
    ThreadCache *prev, *next;                 // the list of threads' caches
    void *blocks[kClassCount][kCacheBlocks];  // poisoned like the pool's; the top is last
};

// The caches of live threads, for getStats and the hooks; guarded by the lock.
ThreadCache *gCaches = nullptr;
// The calling thread's cache once it has one; the cache itself is on the
// heap, where it outlives the thread's thread_local storage.
KS_THREAD_LOCAL_FAST thread_local ThreadCache *tCacheInUse = nullptr;

// Adds 1 to a counter only its thread writes: no locked instruction needed.
void bump(std::atomic<uint32_t> &counter) { counter.store(counter.load(kRelaxed) + 1, kRelaxed); }

// Calls visit on each cache holding blocks and counts of the pool; lock held.
template <class Visit>
void forEachCacheOf(const QebPoolRecord &pool, Visit visit) {
    for (const ThreadCache *cache = gCaches; cache; cache = cache->next)
        if (cache->generation == pool.generation) visit(*cache);
}

// Empties the cache for the pool of that generation (0: none); lock held.
// What it held of a destroyed pool is dropped unread: that memory is gone.
void serve(ThreadCache &cache, uint64_t generation) {
    cache.generation = generation;
    std::fill(std::begin(cache.held), std::end(cache.held), 0u);
    for (std::atomic<uint32_t> &counter : cache.counts) counter.store(0, kRelaxed);
}

// Gives the cache's blocks and counts to their pool if it still lives; lock
// held.
void giveBack(ThreadCache &cache) {
    QebPoolRecord *pool = QebMemPoolInternals::pool();
    if (pool && cache.generation == pool->generation) {
        for (unsigned i = 0; i < kClassCount; ++i) giveBlocks(pool->classes[i], cache.blocks[i], cache.held[i]);
        for (unsigned c = 0; c < kCounterCount; ++c) pool->counts[c] += cache.counts[c].load(kRelaxed);
    }
    serve(cache, 0);
}

// Runs as a thread with a cache ends: the cache goes back to the pool.
void endThreadCache(void *value) {
    auto *cache = static_cast<ThreadCache *>(value);
    {
        PoolGuard guard(QebMemPoolInternals::lock());
        giveBack(*cache);
        (cache->prev ? cache->prev->next : gCaches) = cache->next;
        if (cache->next) cache->next->prev = cache->prev;
    }
    // Destructors that run later in the thread's end make a new one.
    if (tCacheInUse == cache) tCacheInUse = nullptr;
    std::free(cache);
}

// The calling thread's cache, made on its first call, serving the live
// pool; null when the heap refuses one.
ThreadCache *attach(const QebPoolRecord &pool) {
    ThreadCache *cache = tCacheInUse;
    const bool made = !cache;
    if (made) {
        void *memory = heapAlloc(sizeof(ThreadCache));
        if (!memory) return nullptr;
        cache = new (memory) ThreadCache{};
        // Arranged outside the pool lock: the runtime may take the loader's.
        if (!ks_thread_at_end(endThreadCache, cache)) {
            std::free(cache);
            return nullptr;
        }
        tCacheInUse = cache;
    }
    PoolGuard guard(QebMemPoolInternals::lock());
    if (made) {
        cache->next = gCaches;
        if (gCaches) gCaches->prev = cache;
        gCaches = cache;
    }
    if (cache->generation != pool.generation) serve(*cache, pool.generation);
    return cache;
}

// The calling thread's cache, serving the live pool: at once when it already
// does, else through attach.
ThreadCache *threadCache(const QebPoolRecord &pool) {
    ThreadCache *cache = tCacheInUse;
    return cache && cache->generation == pool.generation ? cache : attach(pool);
}

// A cache of one call's own, given back as the call ends: for a thread the
// heap refused one.
struct SpareCache {
    ThreadCache cache{};
    explicit SpareCache(const QebPoolRecord &pool) { cache.generation = pool.generation; }
    ~SpareCache() {
        PoolGuard guard(QebMemPoolInternals::lock());
        giveBack(cache);
    }
    SpareCache(const SpareCache &) = delete;
    SpareCache &operator=(const SpareCache &) = delete;
};

// act on a spare cache. Out of line, so that the common path reserves no
// stack for one.
template <class Act>
__attribute__((noinline)) auto withSpareCache(const QebPoolRecord &pool, Act act) {
    SpareCache spare(pool);
    return act(spare.cache);
}

// Fills an empty class of the cache with a batch from the pool; false when
// the pool has none and the heap refuses a chunk.
bool refillCache(ThreadCache &cache, SizeClass &cls, unsigned index) {
    PoolGuard guard(QebMemPoolInternals::lock());
    cache.held[index] = takeBlocks(cls, cache.blocks[index], kCacheBatch);
    return cache.held[index] != 0;
}

// Makes room in a full class of the cache: its older half goes back to the
// pool, so that blocks still come back last in, first out.
void drainCache(ThreadCache &cache, SizeClass &cls, unsigned index) {
    void **blocks = cache.blocks[index];
    {
        PoolGuard guard(QebMemPoolInternals::lock());
        giveBlocks(cls, blocks, kCacheBatch);
    }
    cache.held[index] -= kCacheBatch;
    std::memmove(blocks, blocks + kCacheBatch, cache.held[index] * sizeof *blocks);
}

// getBytes served from the cache; fail: an armed failure picked this call.
bool takeBlock(ThreadCache &cache, QebPoolRecord &pool, unsigned int size, bool fail, void **out) {
    if (size > kLargestPooled) {
        void *block = fail ? nullptr : heapAlloc(size_t(size) + kHeaderSize);
        if (!block) return false;
        void *user = static_cast<char *>(block) + kHeaderSize;
        headerOf(user) = nullptr;
        bump(cache.counts[kUnmanaged]);
        *out = user;
        return true;
    }
    const unsigned index = classIndex(size);
    bump(cache.counts[index]);  // failed requests count too
    if (fail || (cache.held[index] == 0 && !refillCache(cache, pool.classes[index], index))) return false;
    void *block = cache.blocks[index][--cache.held[index]];
    QEB_UNPOISON(block, size);
    *out = block;
    return true;
}

// freeBytes of a pooled block, into the cache.
void giveBlock(ThreadCache &cache, SizeClass &cls, unsigned index, void *block) {
    QEB_POISON(block, cls.blockSize);
    if (cache.held[index] == kCacheBlocks) drainCache(cache, cls, index);
    cache.blocks[index][cache.held[index]++] = block;
    bump(cache.counts[kFrees]);
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
    pool->generation = ++gPoolsCreated;
    for (uint32_t i = 0; i < kClassCount; ++i) {
        pool->classes[i].blocksPerChunk = kBlocksPerChunk;
        pool->classes[i].blockSize = kBlockSizes[i];
        if (!refill(pool->classes[i])) {
            destroyRecord(pool);
            return false;
        }
    }
    {
        PoolGuard guard(mCS);  // a thread that ends reads it to give its cache back
        mPool = pool;
    }
    mRefCount = 1;
    return true;
}

void QebMemPool::freePool() {
    if (mRefCount == 0) return;
    if (--mRefCount > 0) return;
    PoolGuard guard(mCS);  // a thread that ends may be giving its cache back
    if (mPool) destroyRecord(mPool);
    mPool = nullptr;
}

bool QebMemPool::getBytes(unsigned int size, void **out) {
    if (!out) return false;
    *out = nullptr;
    if (!mPool && !initPool()) return false;
    // The header must fit beside the request in the block's 32-bit size.
    if (size > UINT_MAX - kHeaderSize) return false;

    const bool fail = injectedFailure(gFailGetBytesAt);
    if (ThreadCache *cache = threadCache(*mPool)) return takeBlock(*cache, *mPool, size, fail, out);
    return withSpareCache(*mPool, [&](ThreadCache &spare) { return takeBlock(spare, *mPool, size, fail, out); });
}

void QebMemPool::freeBytes(void *p) {
    if (!p || !mPool) return;
    SizeClass *cls = headerOf(p);
    if (!cls) {
        std::free(static_cast<char *>(p) - kHeaderSize);
        return;
    }
    const unsigned index = unsigned(cls - mPool->classes);
    if (ThreadCache *cache = threadCache(*mPool)) return giveBlock(*cache, *cls, index, p);
    withSpareCache(*mPool, [&](ThreadCache &spare) { giveBlock(spare, *cls, index, p); });
}

char *QebMemPool::getStats() {
    static char text[256];
    uint32_t counts[kCounterCount] = {};
    if (mPool) {
        PoolGuard guard(mCS);
        std::memcpy(counts, mPool->counts, sizeof counts);
        forEachCacheOf(*mPool, [&counts](const ThreadCache &cache) {
            for (unsigned c = 0; c < kCounterCount; ++c) counts[c] += cache.counts[c].load(kRelaxed);
        });
    }
    uint32_t total = counts[kUnmanaged];
    for (unsigned i = 0; i < kClassCount; ++i) total += counts[i];
    std::snprintf(text, sizeof text,
                  "Tiny: %lu Small %lu Med: %lu Large: %lu Unmanaged: %lu Total: %lu Frees: %lu",
                  (unsigned long)counts[0], (unsigned long)counts[1], (unsigned long)counts[2],
                  (unsigned long)counts[3], (unsigned long)counts[kUnmanaged], (unsigned long)total,
                  (unsigned long)counts[kFrees]);
    return text;
}

namespace qeb_internal {

// The hooks are armed by a test while no other thread allocates.
void failGetBytesAt(long n) { gFailGetBytesAt = n; }
void failHeapAt(long n) { gFailHeapAt = n; }
bool getBytesFailurePending() { return gFailGetBytesAt > 0; }
int poolReferences() { return QebMemPoolInternals::references(); }

unsigned long outstandingPoolBlocks() {
    const QebPoolRecord *pool = QebMemPoolInternals::pool();
    if (!pool) return 0;
    PoolGuard guard(QebMemPoolInternals::lock());
    unsigned long held = 0;
    for (const SizeClass &cls : pool->classes) held += cls.capacity - cls.freeCount;
    // Blocks in threads' caches are free.
    forEachCacheOf(*pool, [&held](const ThreadCache &cache) {
        for (uint32_t n : cache.held) held -= n;
    });
    return held;
}

}  // namespace qeb_internal
