// A getBytes + freeBytes pair against malloc + free.
#include <qeb/qebmempool.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

void poolPair(benchmark::State &state, unsigned size) {
    void *p = nullptr;
    QebMemPool::getBytes(size, &p);  // the pool exists before timing starts
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

const int kRegistered = [] {
    for (unsigned size : {16u, 64u, 256u, 1024u}) {
        const std::string name = "alloc+free " + std::to_string(size) + "B/";
        benchmark::RegisterBenchmark((name + "ours").c_str(), poolPair, size);
        benchmark::RegisterBenchmark((name + "peer").c_str(), mallocPair, size);
    }
    return 0;
}();

}  // namespace
