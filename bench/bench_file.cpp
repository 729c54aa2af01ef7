// QebTxtFile::readln over a 100 MB text file against fgets, and over its
// UTF-16LE form against fgets-style line splitting after iconv.
#include <qeb/qebtxtfile.h>

#include <benchmark/benchmark.h>

#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr size_t kTarget = 100u * 1024 * 1024;
constexpr size_t kLineBuffer = 4096;

// Mostly ASCII lines of 10 to 150 bytes, one in eight with accented letters.
std::string makeText() {
    std::mt19937 random(42);
    std::string text;
    text.reserve(kTarget + 256);
    while (text.size() < kTarget) {
        const int length = 10 + int(random() % 140);
        const bool accented = random() % 8 == 0;
        for (int i = 0; i < length; ++i) {
            if (accented && i % 10 == 5) text += "\xC3\xA9";
            else text += char('a' + random() % 26);
        }
        text += '\n';
    }
    return text;
}

std::string toUtf16le(const std::string &text) {
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    std::string out(text.size() * 2, '\0');
    char *in = const_cast<char *>(text.data()), *dst = &out[0];
    size_t inLeft = text.size(), outLeft = out.size();
    iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

struct Fixture {
    std::string utf8Path, utf16Path;
    size_t utf8Bytes = 0;

    Fixture() {
        const char *tmp = std::getenv("TMPDIR");
        const std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/qeb-bench-" + std::to_string(getpid());
        utf8Path = base + "-utf8.txt";
        utf16Path = base + "-utf16le.txt";
        const std::string text = makeText();
        utf8Bytes = text.size();
        write(utf8Path, text);
        write(utf16Path, toUtf16le(text));
    }
    ~Fixture() {
        std::remove(utf8Path.c_str());
        std::remove(utf16Path.c_str());
    }
    static void write(const std::string &path, const std::string &bytes) {
        FILE *out = std::fopen(path.c_str(), "wb");
        if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) std::abort();
        std::fclose(out);
    }
};

const Fixture &fixture() {
    static const Fixture files;
    return files;
}

void readOurs(benchmark::State &state, const std::string &path, int encoding) {
    char line[kLineBuffer];
    for (auto _ : state) {
        QebTxtFile file;
        if (!file.open(path.c_str(), QebTxtFile::Read, encoding, 0)) std::abort();
        long long total = 0;
        int n;
        while ((n = file.readln(line, sizeof line)) >= 0) total += n;
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fixture().utf8Bytes));
}

void utf8Ours(benchmark::State &state) { readOurs(state, fixture().utf8Path, qebEncodingUtf8); }

void utf8Peer(benchmark::State &state) {
    char line[kLineBuffer];
    for (auto _ : state) {
        FILE *in = std::fopen(fixture().utf8Path.c_str(), "rb");
        long long total = 0;
        while (std::fgets(line, sizeof line, in)) total += (long long)std::strlen(line);
        std::fclose(in);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fixture().utf8Bytes));
}

void utf16Ours(benchmark::State &state) { readOurs(state, fixture().utf16Path, qebEncodingUtf16LE); }

// Blocks of the file converted by iconv, then cut into lines copied out one
// at a time, as fgets would deliver them.
void utf16Peer(benchmark::State &state) {
    std::vector<char> raw(64 * 1024), text(3 * 64 * 1024 / 2 + 64);
    char line[kLineBuffer];
    for (auto _ : state) {
        FILE *in = std::fopen(fixture().utf16Path.c_str(), "rb");
        iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
        long long total = 0;
        size_t pending = 0;  // converted bytes not yet cut into lines
        size_t got;
        while ((got = std::fread(raw.data(), 1, raw.size(), in)) > 0) {
            char *src = raw.data(), *dst = text.data() + pending;
            size_t srcLeft = got, dstLeft = text.size() - pending;
            iconv(cd, &src, &srcLeft, &dst, &dstLeft);
            const char *p = text.data(), *end = dst;
            while (const char *newline = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))) {
                const size_t length = size_t(newline - p) + 1;
                std::memcpy(line, p, length);
                line[length] = '\0';
                total += (long long)length;
                p = newline + 1;
            }
            pending = size_t(end - p);
            std::memmove(text.data(), p, pending);
        }
        iconv_close(cd);
        std::fclose(in);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fixture().utf8Bytes));
}

}  // namespace

BENCHMARK(utf8Ours)->Name("readln_utf8_100MB/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(utf8Peer)->Name("readln_utf8_100MB/peer")->Unit(benchmark::kMillisecond);
BENCHMARK(utf16Ours)->Name("readln_utf16le_100MB/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(utf16Peer)->Name("readln_utf16le_100MB/peer")->Unit(benchmark::kMillisecond);
