// A getBytes + freeBytes pair against malloc + free: alone in the process,
// on one thread of a process that has another, and on two threads at once.
#include <qeb/qebmempool.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <future>
#include <string>
#include <thread>

namespace {

using Pair = void (*)(benchmark::State &, unsigned);

void poolPair(benchmark::State &state, unsigned size) {
    void *p = nullptr;
    QebMemPool::getBytes(size, &p);  // the thread's first call is not timed
    QebMemPool::freeBytes(p);
    for (auto _ : state) {
        QebMemPool::getBytes(size, &p);
        benchmark::DoNotOptimize(p);
        QebMemPool::freeBytes(p);
    }
}

void mallocPair(benchmark::State &state, unsigned size) {
    for (auto _ : state) {
        void *p = std::malloc(size);
        benchmark::DoNotOptimize(p);
        std::free(p);
    }
}

void alone(benchmark::State &state, Pair pair, unsigned size) { pair(state, size); }

// Once a second thread exists, neither allocator may skip its locks.
void besideASleepingThread(benchmark::State &state, Pair pair, unsigned size) {
    std::promise<void> wake;
    std::thread sleeper([woken = wake.get_future()] { woken.wait(); });
    pair(state, size);
    wake.set_value();
    sleeper.join();
}

// Registers "alloc+free <size>B<label>/ours" and ".../peer" for each size.
void registerPairs(const std::string &label, void (*run)(benchmark::State &, Pair, unsigned), int threads) {
    for (unsigned size : {16u, 64u, 256u, 1024u}) {
        const std::string name = "alloc+free " + std::to_string(size) + "B" + label + "/";
        auto *ours = benchmark::RegisterBenchmark((name + "ours").c_str(), run, poolPair, size);
        auto *peer = benchmark::RegisterBenchmark((name + "peer").c_str(), run, mallocPair, size);
        if (threads > 1) {
            ours->Threads(threads);
            peer->Threads(threads);
        }
    }
}

const int kRegistered = [] {
    QebMemPool::initPool();  // before any thread starts, as the pool asks
    // They run in this order: the process has one thread until the second
    // group starts another.
    registerPairs("", alone, 1);
    registerPairs(", 1 thread of 2", besideASleepingThread, 1);
    registerPairs(", 2 threads", alone, 2);
    return 0;
}();

}  // namespace
