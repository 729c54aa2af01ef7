// QebString against std::string on the operations users lean on most.
#include <qeb/qebstring.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

const char kLiteral[] = "a literal of moderate length";

std::string haystack() {
    std::string text;
    while (text.size() < 64 * 1024 - 16) text += "the quick brown fox jumps over the lazy dog; ";
    return text + "needle";
}

void constructOurs(benchmark::State &state) {
    for (auto _ : state) {
        QebString s(kLiteral, true);
        benchmark::DoNotOptimize(s);
    }
}

void constructPeer(benchmark::State &state) {
    for (auto _ : state) {
        std::string s(kLiteral);
        benchmark::DoNotOptimize(s);
    }
}

void copyOurs(benchmark::State &state) {
    const QebString source(std::string(1024, 'x').c_str());
    for (auto _ : state) {
        QebString copy(source);
        benchmark::DoNotOptimize(copy);
    }
}

void copyPeer(benchmark::State &state) {
    const std::string source(1024, 'x');
    for (auto _ : state) {
        std::string copy(source);
        benchmark::DoNotOptimize(copy);
    }
}

void appendOurs(benchmark::State &state) {
    for (auto _ : state) {
        QebString s;
        for (int i = 0; i < 1000000; ++i) s.append("x");
        benchmark::DoNotOptimize(s);
    }
}

void appendPeer(benchmark::State &state) {
    for (auto _ : state) {
        std::string s;
        for (int i = 0; i < 1000000; ++i) s.append("x");
        benchmark::DoNotOptimize(s);
    }
}

void findOurs(benchmark::State &state) {
    const QebString text(haystack().c_str()), needle("needle");
    for (auto _ : state) benchmark::DoNotOptimize(text.find(needle, 0));
}

void findPeer(benchmark::State &state) {
    const std::string text = haystack();
    for (auto _ : state) benchmark::DoNotOptimize(text.find("needle"));
}

void replaceOurs(benchmark::State &state) {
    const QebString text(haystack().c_str()), from("fox"), to("cat");
    for (auto _ : state) benchmark::DoNotOptimize(text.replace(from, to, 0, -1));
}

void replacePeer(benchmark::State &state) {
    const std::string text = haystack();
    for (auto _ : state) {
        std::string result;
        size_t pos = 0;
        for (size_t at; (at = text.find("fox", pos)) != std::string::npos; pos = at + 3)
            result.append(text, pos, at - pos).append("cat");
        result.append(text, pos, std::string::npos);
        benchmark::DoNotOptimize(result);
    }
}

BENCHMARK(constructOurs)->Name("construct from literal/ours");
BENCHMARK(constructPeer)->Name("construct from literal/peer");
BENCHMARK(copyOurs)->Name("copy 1 KiB/ours");
BENCHMARK(copyPeer)->Name("copy 1 KiB/peer");
BENCHMARK(appendOurs)->Name("append 1 byte x 1000000/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(appendPeer)->Name("append 1 byte x 1000000/peer")->Unit(benchmark::kMillisecond);
BENCHMARK(findOurs)->Name("find in 64 KiB/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(findPeer)->Name("find in 64 KiB/peer")->Unit(benchmark::kMicrosecond);
BENCHMARK(replaceOurs)->Name("replace all in 64 KiB/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(replacePeer)->Name("replace all in 64 KiB/peer")->Unit(benchmark::kMicrosecond);

}  // namespace
