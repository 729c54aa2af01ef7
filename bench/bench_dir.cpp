// Directory listings and paths against std::filesystem.
#include <qeb/qebdir.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const int kEntries = 10000;

// A directory of kEntries empty files, made on first use and removed at exit.
const std::string &listedDirectory() {
    static const struct Tree {
        Tree() {
            char pattern[] = "/tmp/qeb_bench_dir_XXXXXX";
            if (!mkdtemp(pattern)) std::abort();
            path = pattern;
            for (int i = 0; i < kEntries; ++i) {
                FILE *file = std::fopen((path + "/entry_" + std::to_string(i) + ".dat").c_str(), "w");
                if (!file) std::abort();
                std::fclose(file);
            }
        }
        ~Tree() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
        std::string path;
    } tree;
    return tree.path;
}

void listOurs(benchmark::State &state) {
    const QebString path(listedDirectory().c_str());
    for (auto _ : state) {
        QebDirectoryListing listing;
        listing.init(path, 0);
        int entries = 0;
        for (; listing.next(); ++entries) benchmark::DoNotOptimize(listing.getTimestamp());
        if (entries != kEntries) state.SkipWithError("wrong number of entries");
    }
}

void listPeer(benchmark::State &state) {
    const fs::path path(listedDirectory());
    for (auto _ : state) {
        int entries = 0;
        for (const fs::directory_entry &entry : fs::directory_iterator(path)) {
            benchmark::DoNotOptimize(entry.last_write_time());
            ++entries;
        }
        if (entries != kEntries) state.SkipWithError("wrong number of entries");
    }
}

const char kDirectory[] = "/home/user/projects/reports/2024";
const char kName[] = "quarterly-summary.txt";
const char kPath[] = "/home/user/projects/reports/2024/quarterly-summary.txt";

void concatOurs(benchmark::State &state) {
    const QebString directory(kDirectory), name(kName);
    for (auto _ : state) benchmark::DoNotOptimize(qebConcatPath(directory, name));
}

void concatPeer(benchmark::State &state) {
    const fs::path directory(kDirectory), name(kName);
    for (auto _ : state) benchmark::DoNotOptimize(directory / name);
}

void parseOurs(benchmark::State &state) {
    const QebString path(kPath);
    for (auto _ : state) {
        QebString name;
        benchmark::DoNotOptimize(qebParsePath(path, &name));
        benchmark::DoNotOptimize(name);
    }
}

void parsePeer(benchmark::State &state) {
    const fs::path path(kPath);
    for (auto _ : state) {
        benchmark::DoNotOptimize(path.parent_path());
        benchmark::DoNotOptimize(path.filename());
    }
}

}  // namespace

BENCHMARK(listOurs)->Name("list 10000 entries with time stamps/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(listPeer)->Name("list 10000 entries with time stamps/peer")->Unit(benchmark::kMillisecond);
BENCHMARK(concatOurs)->Name("join a path/ours");
BENCHMARK(concatPeer)->Name("join a path/peer");
BENCHMARK(parseOurs)->Name("split a path/ours");
BENCHMARK(parsePeer)->Name("split a path/peer");
