// Internal hooks of the memory pool for the library's own tests. Not
// installed and not exported from the shared library.
#ifndef QEB_QEBMEMPOOL_INTERNAL_H
#define QEB_QEBMEMPOOL_INTERNAL_H

namespace qeb_internal {

// Makes the n-th getBytes call from now fail as a full heap would (n = 1:
// the next one); 0 turns it off.
void failGetBytesAt(long n);
// True while an armed getBytes failure has not fired yet.
bool getBytesFailurePending();
// Makes the n-th heap allocation the pool itself makes from now fail (pool
// record, chunk, stack, node, unmanaged block or a thread's cache); 0 turns
// it off.
void failHeapAt(long n);
// References the pool holds (0: no pool).
int poolReferences();
// Blocks handed out from size classes and not yet given back; blocks a
// thread keeps in its cache are given back. Exact while no other thread
// allocates.
unsigned long outstandingPoolBlocks();

}  // namespace qeb_internal

#endif
