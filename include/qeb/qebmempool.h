// QebMemPool: the process-wide small-block allocator behind strings and typed
// values.
//
// Requests of up to 1024 bytes are served from four size classes (16, 64, 256
// and 1024 bytes) carved 1024 blocks at a time and recycled last in, first
// out; larger requests go to the heap. Blocks go back to the heap only when
// the pool is destroyed. getBytes and freeBytes may be called from any thread;
// initPool and freePool may not race with them. Each thread keeps a few free
// blocks of each class for itself, so that most calls take no lock; a thread
// that ends gives them back.
#ifndef QEB_QEBMEMPOOL_H
#define QEB_QEBMEMPOOL_H

#include <qeb/qebexport.h>

struct QebPoolRecord;
struct QebPoolLock;

class QEB_API QebMemPool {
public:
    QebMemPool &operator=(const QebMemPool &) { return *this; }

    // Takes a reference, creating the pool on the first one. False when the
    // heap refuses the pool; no half-made pool is left behind.
    static bool initPool();
    // Drops a reference; the last one destroys the pool and every block in it.
    static void freePool();
    // True with *out set to at least `size` usable bytes, or false with *out
    // null. Creates the pool (holding one reference) when there is none.
    // Sizes within 8 bytes of the top of unsigned int are refused.
    static bool getBytes(unsigned int size, void **out);
    // Gives back a block from getBytes; null, or no pool, is ignored.
    static void freeBytes(void *p);
    // "Tiny: %lu Small %lu Med: %lu Large: %lu Unmanaged: %lu Total: %lu
    // Frees: %lu", counting the calls of every thread, in a static buffer
    // that the next call overwrites; all zeros when there is no pool.
    [[nodiscard]] static char *getStats();

private:
    static QebPoolLock mCS;
    static QebPoolRecord *mPool;
    static int mRefCount;

    friend struct QebMemPoolInternals;
};

#endif
