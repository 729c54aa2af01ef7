// QebReal against two peers: decNumber itself working at 52 digits on its
// own structures (the ratio is the cost of keeping numbers as 24-byte
// decimal192 values), and the 34-digit _Decimal128 of GCC with libdfp's
// text conversions, the fixed-size decimal users reach for today.
#include <qeb/qebreal.h>
#include <qeb/qebstring.h>

#include <benchmark/benchmark.h>

#include <decnumber/decContext.h>
#define DECNUMDIGITS 52
#include <decnumber/decNumber.h>

#include <cstddef>
#include <functional>
#include <string>

typedef float Decimal128 __attribute__((mode(TD)));
extern "C" Decimal128 strtod128(const char *text, char **end);
extern "C" int strfromd128(char *text, size_t size, const char *format, Decimal128 value);
extern "C" Decimal128 sqrtd128(Decimal128 value);

namespace {

struct Operands {
    const char *name, *left, *right;
};

const Operands kOperands[] = {
    {"short", "12345.678", "0.25"},
    {"long", "1234567890123456789012345678901.234567890123456789012",
     "9876543210987654321098765432109876543210.987654321098"},
};

using Body = std::function<void(benchmark::State &)>;

void registerPair(const std::string &name, const Body &ours, const Body &peer) {
    benchmark::RegisterBenchmark((name + "/ours").c_str(), ours);
    benchmark::RegisterBenchmark((name + "/peer").c_str(), peer);
}

QebReal real(const char *text) {
    QebReal x;
    x.assign(text);
    return x;
}

// --- ours
using RealBinary = QebReal (QebReal::*)(const QebReal &, bool *);

Body oursBinary(const Operands &o, RealBinary operation) {
    return [o, operation](benchmark::State &state) {
        QebReal a = real(o.left);
        const QebReal b = real(o.right);
        for (auto _ : state) benchmark::DoNotOptimize((a.*operation)(b, nullptr));
    };
}

Body oursSqrt(const Operands &o) {
    return [o](benchmark::State &state) {
        const QebReal a = real(o.left);
        for (auto _ : state) benchmark::DoNotOptimize(a.sqrt());
    };
}

Body oursRead(const Operands &o) {
    return [o](benchmark::State &state) {
        QebReal x;
        for (auto _ : state) benchmark::DoNotOptimize(x.assign(o.left));
    };
}

Body oursWrite(const Operands &o) {
    return [o](benchmark::State &state) {
        QebReal a = real(o.left);
        for (auto _ : state) benchmark::DoNotOptimize(a.asString());
    };
}

// --- decNumber at 52 digits, with the same rounding and limits
decContext context52() {
    decContext ctx;
    decContextDefault(&ctx, DEC_INIT_DECIMAL128);
    ctx.digits = 52;
    ctx.emax = 98304;
    ctx.emin = -98303;
    return ctx;
}

using NumberBinary = decNumber *(*)(decNumber *, const decNumber *, const decNumber *, decContext *);

Body numberBinary(const Operands &o, NumberBinary operation) {
    return [o, operation](benchmark::State &state) {
        decContext ctx = context52();
        decNumber a, b, r;
        decNumberFromString(&a, o.left, &ctx);
        decNumberFromString(&b, o.right, &ctx);
        for (auto _ : state) benchmark::DoNotOptimize(operation(&r, &a, &b, &ctx));
    };
}

Body numberSqrt(const Operands &o) {
    return [o](benchmark::State &state) {
        decContext ctx = context52();
        decNumber a, r;
        decNumberFromString(&a, o.left, &ctx);
        for (auto _ : state) benchmark::DoNotOptimize(decNumberSquareRoot(&r, &a, &ctx));
    };
}

// As QebReal::assign: read, then drop trailing zeros.
Body numberRead(const Operands &o) {
    return [o](benchmark::State &state) {
        decContext ctx = context52();
        decNumber x;
        for (auto _ : state) {
            decNumberFromString(&x, o.left, &ctx);
            benchmark::DoNotOptimize(decNumberReduce(&x, &x, &ctx));
        }
    };
}

// As QebReal::asString: the normal form, its text, a QebString.
Body numberWrite(const Operands &o) {
    return [o](benchmark::State &state) {
        decContext ctx = context52();
        decNumber a, zero, t;
        decNumberFromString(&a, o.left, &ctx);
        decNumberZero(&zero);
        char text[80];
        for (auto _ : state) {
            decNumberAdd(&t, decNumberReduce(&t, &a, &ctx), &zero, &ctx);
            benchmark::DoNotOptimize(QebString(decNumberToString(&t, text)));
        }
    };
}

// --- _Decimal128
Body decimal128Binary(const Operands &o, Decimal128 (*operation)(Decimal128, Decimal128)) {
    return [o, operation](benchmark::State &state) {
        Decimal128 a = strtod128(o.left, nullptr), b = strtod128(o.right, nullptr);
        for (auto _ : state) {
            benchmark::DoNotOptimize(a);
            benchmark::DoNotOptimize(operation(a, b));
        }
    };
}

Body decimal128Sqrt(const Operands &o) {
    return [o](benchmark::State &state) {
        Decimal128 a = strtod128(o.left, nullptr);
        for (auto _ : state) {
            benchmark::DoNotOptimize(a);
            benchmark::DoNotOptimize(sqrtd128(a));
        }
    };
}

Body decimal128Read(const Operands &o) {
    return [o](benchmark::State &state) {
        for (auto _ : state) benchmark::DoNotOptimize(strtod128(o.left, nullptr));
    };
}

Body decimal128Write(const Operands &o) {
    return [o](benchmark::State &state) {
        const Decimal128 a = strtod128(o.left, nullptr);
        char text[80];
        for (auto _ : state) {
            strfromd128(text, sizeof text, "%.34g", a);
            benchmark::DoNotOptimize(QebString(text));
        }
    };
}

const bool kRegistered = [] {
    struct Binary {
        const char *name;
        RealBinary ours;
        NumberBinary number;
        Decimal128 (*decimal128)(Decimal128, Decimal128);
    };
    const Binary binaries[] = {
        {"add", &QebReal::add, decNumberAdd, [](Decimal128 a, Decimal128 b) { return a + b; }},
        {"multiply", &QebReal::multiply, decNumberMultiply,
         [](Decimal128 a, Decimal128 b) { return a * b; }},
        {"divide", &QebReal::divide, decNumberDivide,
         [](Decimal128 a, Decimal128 b) { return a / b; }},
    };
    for (const Operands &o : kOperands) {
        const std::string suffix = std::string("/") + o.name;
        for (const Binary &b : binaries) {
            registerPair(std::string("decNumber/") + b.name + suffix, oursBinary(o, b.ours),
                         numberBinary(o, b.number));
            registerPair(std::string("Decimal128/") + b.name + suffix, oursBinary(o, b.ours),
                         decimal128Binary(o, b.decimal128));
        }
        registerPair("decNumber/sqrt" + suffix, oursSqrt(o), numberSqrt(o));
        registerPair("Decimal128/sqrt" + suffix, oursSqrt(o), decimal128Sqrt(o));
        registerPair("decNumber/assign" + suffix, oursRead(o), numberRead(o));
        registerPair("Decimal128/assign" + suffix, oursRead(o), decimal128Read(o));
        registerPair("decNumber/asString" + suffix, oursWrite(o), numberWrite(o));
        registerPair("Decimal128/asString" + suffix, oursWrite(o), decimal128Write(o));
    }
    return true;
}();

}  // namespace
