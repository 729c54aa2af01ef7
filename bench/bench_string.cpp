// QebString against std::string on the operations users lean on most.
#include <qeb/qebstring.h>

#include <benchmark/benchmark.h>

#include <algorithm>
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

// 16 MB of text for positions: ASCII, and UTF-8 of one to four bytes a
// character.
const char kAsciiPiece[] = "the quick brown fox jumps over the lazy dog; ";
const char kMixedPiece[] = "Gr\xC3\xBC\xC3\x9F" "e, \xCE\xBA\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xE1\xBD\xB3\xCF\x81\xCE\xB1, "
                           "\xE4\xBD\xA0\xE5\xA5\xBD \xF0\x9F\x98\x80 and some plain text; ";

std::string sixteenMegabytes(const char *piece) {
    std::string text;
    while (text.size() < 16 << 20) text += piece;
    return text;
}

// The character in the middle; the bytes before it give the throughput.
void midOurs(benchmark::State &state, const char *piece) {
    const QebString text(sixteenMegabytes(piece).c_str());
    const unsigned int middle = text.length() / 2;
    for (auto _ : state) benchmark::DoNotOptimize(text.mid(middle, 1));
    state.SetBytesProcessed(int64_t(state.iterations()) * (text.cStrSize() / 2));
}

// Inlined into the loop, a one-character substr takes a few cycles, and in
// some runs more than twice as long, by where the process's memory lands:
// compare the ratio over several runs.
void midAsciiPeer(benchmark::State &state) {
    const std::string text = sixteenMegabytes(kAsciiPiece);
    for (auto _ : state) benchmark::DoNotOptimize(text.substr(text.size() / 2, 1));
}

// Counts lead bytes a byte at a time up to the middle character.
void midMixedPeer(benchmark::State &state) {
    const std::string text = sixteenMegabytes(kMixedPiece);
    const auto isLead = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
    const size_t middle = size_t(std::count_if(text.begin(), text.end(), isLead)) / 2;
    for (auto _ : state) {
        size_t at = 0;
        for (size_t seen = 0;; ++at) {
            if (isLead(text[at]) && seen++ == middle) break;
        }
        benchmark::DoNotOptimize(text.substr(at, 1));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() / 2));
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
BENCHMARK_CAPTURE(midOurs, ascii, kAsciiPiece)->Name("mid of the middle, 16 MB ASCII/ours");
BENCHMARK(midAsciiPeer)->Name("mid of the middle, 16 MB ASCII/peer");
BENCHMARK_CAPTURE(midOurs, mixed, kMixedPiece)->Name("mid of the middle, 16 MB mixed/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(midMixedPeer)->Name("mid of the middle, 16 MB mixed/peer")->Unit(benchmark::kMicrosecond);

}  // namespace
