// QebDatavar and QebDate against the standard library's equivalents, and
// type detection against from_chars.
#include <qeb/qebdatavar.h>

#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <variant>
#include <vector>

namespace {

using Variant = std::variant<bool, long long, double, std::string>;

const std::string kKilobyte(1024, 'x');

QebDatavar datavarOf(int kind) {
    QebDatavar v;
    if (kind == 0) v.assign(123456789LL);
    if (kind == 1) v.assign(kKilobyte.c_str());
    if (kind == 2) v.assign(QebReal().assign("12345.678"));
    return v;
}

Variant variantOf(int kind) {
    if (kind == 0) return 123456789LL;
    if (kind == 1) return kKilobyte;
    return 12345.678;
}

void copyOurs(benchmark::State &state, int kind) {
    const QebDatavar source = datavarOf(kind);
    for (auto _ : state) {
        QebDatavar copy(source);
        benchmark::DoNotOptimize(copy);
    }
}

void copyPeer(benchmark::State &state, int kind) {
    const Variant source = variantOf(kind);
    for (auto _ : state) {
        Variant copy(source);
        benchmark::DoNotOptimize(copy);
    }
}

void assignOurs(benchmark::State &state, int kind) {
    const QebDatavar source = datavarOf(kind);
    QebDatavar target;
    for (auto _ : state) {
        target = source;
        benchmark::DoNotOptimize(target);
        target.setNull();
    }
}

void assignPeer(benchmark::State &state, int kind) {
    const Variant source = variantOf(kind);
    Variant target;
    for (auto _ : state) {
        target = source;
        benchmark::DoNotOptimize(target);
        target = false;
    }
}

void dateOurs(benchmark::State &state) {
    int i = 0;
    for (auto _ : state) {
        QebDate date(1900 + i % 200, 1 + i % 12, 1 + i % 28, i % 24, i % 60, i % 60);
        int y, mo, d, h, mi, s;
        date.getElements(&y, &mo, &d, &h, &mi, &s);
        benchmark::DoNotOptimize(y + mo + d + h + mi + s);
        ++i;
    }
}

// The same work with the standard library: a date-time from elements, checked
// as QebDate checks them, and its elements back.
void datePeer(benchmark::State &state) {
    using namespace std::chrono;
    int i = 0;
    for (auto _ : state) {
        const int h = i % 24, mi = i % 60, s = i % 60;
        const year_month_day ymd{year{1900 + i % 200}, month{unsigned(1 + i % 12)},
                                 day{unsigned(1 + i % 28)}};
        if (ymd.ok() && unsigned(h) < 24 && unsigned(mi) < 60 && unsigned(s) < 60) {
            const auto moment = sys_days{ymd} + hours{h} + minutes{mi} + seconds{s};
            const auto dayPart = floor<days>(moment);
            const year_month_day back{dayPart};
            const hh_mm_ss<seconds> time{moment - dayPart};
            benchmark::DoNotOptimize(int(back.year()) + unsigned(back.month()) +
                                     unsigned(back.day()) + time.hours().count() +
                                     time.minutes().count() + time.seconds().count());
        }
        ++i;
    }
}

// A realistic mix of fields: integers, reals, words, dates, booleans.
const std::vector<std::string> &fields() {
    static const std::vector<std::string> mix = [] {
        std::vector<std::string> out;
        std::mt19937 random(7);
        const char *words[] = {"alpha", "Zürich", "north-east", "n/a", "TRUE", "no"};
        for (int i = 0; i < 1000000; ++i) {
            switch (random() % 5) {
                case 0: out.push_back(std::to_string(random() % 100000)); break;
                case 1: out.push_back(std::to_string(random() % 1000) + "." + std::to_string(random() % 100)); break;
                case 2: out.push_back(words[random() % 6]); break;
                case 3: out.push_back("2024-0" + std::to_string(1 + random() % 9) + "-1" + std::to_string(random() % 10)); break;
                default: out.push_back(random() % 2 ? "yes" : "false"); break;
            }
        }
        return out;
    }();
    return mix;
}

void detectOurs(benchmark::State &state) {
    std::vector<QebString> texts;
    for (const std::string &field : fields()) texts.emplace_back(field.c_str());
    for (auto _ : state) {
        int counts[5] = {};
        for (const QebString &text : texts) ++counts[determineType(text)];
        benchmark::DoNotOptimize(counts);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(texts.size()));
}

void detectPeer(benchmark::State &state) {
    for (auto _ : state) {
        int counts[3] = {};
        for (const std::string &field : fields()) {
            const char *first = field.data(), *last = first + field.size();
            long long integer;
            double real;
            auto asInteger = std::from_chars(first, last, integer);
            if (asInteger.ec == std::errc() && asInteger.ptr == last) {
                ++counts[0];
                continue;
            }
            auto asReal = std::from_chars(first, last, real);
            ++counts[asReal.ec == std::errc() && asReal.ptr == last ? 1 : 2];
        }
        benchmark::DoNotOptimize(counts);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(fields().size()));
}

const int kRegistered = [] {
    const char *kinds[] = {"integer", "1 KiB string", "real"};
    for (int kind = 0; kind < 3; ++kind) {
        const std::string copy = std::string("copy ") + kinds[kind] + "/";
        const std::string assign = std::string("assign ") + kinds[kind] + "/";
        benchmark::RegisterBenchmark((copy + "ours").c_str(), copyOurs, kind);
        benchmark::RegisterBenchmark((copy + "peer").c_str(), copyPeer, kind);
        benchmark::RegisterBenchmark((assign + "ours").c_str(), assignOurs, kind);
        benchmark::RegisterBenchmark((assign + "peer").c_str(), assignPeer, kind);
    }
    benchmark::RegisterBenchmark("date compose+decompose/ours", dateOurs);
    benchmark::RegisterBenchmark("date compose+decompose/peer", datePeer);
    benchmark::RegisterBenchmark("determineType 1M fields/ours", detectOurs)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("determineType 1M fields/peer", detectPeer)->Unit(benchmark::kMillisecond);
    return 0;
}();

}  // namespace
