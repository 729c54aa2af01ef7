// Wide text conversions against iconv, and qebStringFormat against snprintf.
#include <qeb/qebconvert.h>
#include <qeb/qebformat.h>
#include <qeb/qebstring.h>

#include <benchmark/benchmark.h>

#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// 1 MiB of ASCII, Latin, CJK and emoji text, cut at a whole character.
std::string mixedText() {
    const std::string chunk =
        "Status report: na\xC3\xAFve caf\xC3\xA9, Stra\xC3\x9F" "e \xE2\x80\x94 "
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88 "
        "\xF0\x9F\x98\x80\xF0\x9F\x9A\x80 ok\n";
    std::string text;
    while (text.size() + chunk.size() <= 1024 * 1024) text += chunk;
    return text;
}

// Converts with iconv into a new heap buffer of `worst` bytes; returns the
// buffer and its used bytes.
char *iconvConvert(iconv_t cd, const char *in, size_t inBytes, size_t worst, size_t *used) {
    char *out = static_cast<char *>(std::malloc(worst));
    char *src = const_cast<char *>(in), *dst = out;
    size_t left = worst;
    iconv(cd, &src, &inBytes, &dst, &left);
    *used = worst - left;
    return out;
}

const char *kWideOrder = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "UTF-16LE" : "UTF-16BE";

void toWideOurs(benchmark::State &state) {
    const std::string text = mixedText();
    for (auto _ : state) {
        QeUtf8ToUC wide;
        wide.set(text.c_str());
        benchmark::DoNotOptimize(wide.ucString());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}

void toWidePeer(benchmark::State &state) {
    const std::string text = mixedText();
    iconv_t cd = iconv_open(kWideOrder, "UTF-8");
    for (auto _ : state) {
        // The same input as ours: a NUL-terminated text.
        const size_t bytes = std::strlen(text.c_str());
        size_t used;
        char *wide = iconvConvert(cd, text.c_str(), bytes, (bytes + 1) * 2, &used);
        benchmark::DoNotOptimize(wide);
        std::free(wide);
    }
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}

void fromWideOurs(benchmark::State &state) {
    const std::string text = mixedText();
    QeUtf8ToUC wide;
    wide.set(text.c_str());
    for (auto _ : state) {
        QebString s;
        s.fromUCS2(wide.ucString());
        benchmark::DoNotOptimize(s.asCstr());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}

void fromWidePeer(benchmark::State &state) {
    const std::string text = mixedText();
    QeUtf8ToUC wide;
    wide.set(text.c_str());
    const unsigned short *units16 = wide.ucString();
    iconv_t cd = iconv_open("UTF-8", kWideOrder);
    for (auto _ : state) {
        // The same input as ours: a 0-terminated wide text.
        size_t units = 0;
        while (units16[units]) ++units;
        size_t used;
        char *utf8 = iconvConvert(cd, reinterpret_cast<const char *>(units16), units * 2,
                                  units * 3 + 1, &used);
        std::string s(utf8, used);
        std::free(utf8);
        benchmark::DoNotOptimize(s.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}

void diagnosticOurs(benchmark::State &state) {
    for (auto _ : state) {
        QebString s = qebStringFormat("Failed to execute command %s. Error: %s", "backup.cmd", "access denied");
        benchmark::DoNotOptimize(s.asCstr());
    }
}

void diagnosticPeer(benchmark::State &state) {
    for (auto _ : state) {
        char buffer[256];
        const int n = std::snprintf(buffer, sizeof buffer, "Failed to execute command %s. Error: %s",
                                    "backup.cmd", "access denied");
        std::string s(buffer, size_t(n));
        benchmark::DoNotOptimize(s.data());
    }
}

void numbersOurs(benchmark::State &state) {
    for (auto _ : state) {
        QebString s = qebStringFormat("%d files, %I64u bytes in %g s", 1234, 9876543210ULL, 0.125);
        benchmark::DoNotOptimize(s.asCstr());
    }
}

void numbersPeer(benchmark::State &state) {
    for (auto _ : state) {
        char buffer[256];
        const int n = std::snprintf(buffer, sizeof buffer, "%d files, %llu bytes in %.15g s", 1234,
                                    9876543210ULL, 0.125);
        std::string s(buffer, size_t(n));
        benchmark::DoNotOptimize(s.data());
    }
}

BENCHMARK(toWideOurs)->Name("UTF-8 to UTF-16, 1 MiB mixed/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(toWidePeer)->Name("UTF-8 to UTF-16, 1 MiB mixed/peer")->Unit(benchmark::kMicrosecond);
BENCHMARK(fromWideOurs)->Name("UTF-16 to UTF-8 string, 1 MiB mixed/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(fromWidePeer)->Name("UTF-16 to UTF-8 string, 1 MiB mixed/peer")->Unit(benchmark::kMicrosecond);
BENCHMARK(diagnosticOurs)->Name("format diagnostic with two texts/ours");
BENCHMARK(diagnosticPeer)->Name("format diagnostic with two texts/peer");
BENCHMARK(numbersOurs)->Name("format %d, %I64u and %g/ours");
BENCHMARK(numbersPeer)->Name("format %d, %I64u and %g/peer");

}  // namespace
