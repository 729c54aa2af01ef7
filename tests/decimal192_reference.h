// The 192-bit decimal module against decNumber itself on the same values,
// for the differential test and the arithmetic fuzz target: an operation's
// result and status, each way.
#ifndef QEB_TESTS_DECIMAL192_REFERENCE_H
#define QEB_TESTS_DECIMAL192_REFERENCE_H

#include "decimal192.h"

#include <cstdint>
#include <string>

inline decContext context() {
    decContext ctx;
    return *decContextDefault(&ctx, DEC_INIT_DECIMAL192);
}

inline std::string text(const decSext &d) {
    char buffer[DECIMAL192_String];
    return decSextToString(&d, buffer);
}

struct Outcome {
    decSext value;
    uint32_t status;
    bool operator==(const Outcome &o) const {
        return status == o.status && value.words[0] == o.value.words[0] &&
               value.words[1] == o.value.words[1] && value.words[2] == o.value.words[2];
    }
};

// The result and status of `run` on a fresh context.
template <typename Run>
inline Outcome outcome(Run run) {
    decContext ctx = context();
    Outcome o;
    run(&o.value, &ctx);
    o.status = ctx.status;
    return o;
}

using Module = decSext *(*)(decSext *, const decSext *, const decSext *, decContext *);
using Reference = decNumber *(*)(decNumber *, const decNumber *, const decNumber *, decContext *);

inline Outcome viaModule(Module op, const decSext &a, const decSext &b) {
    return outcome([&](decSext *r, decContext *ctx) { op(r, &a, &b, ctx); });
}

inline Outcome viaDecNumber(Reference op, const decSext &a, const decSext &b) {
    return outcome([&](decSext *r, decContext *ctx) {
        decNumber x, y, n;
        decimal192FromNumber(r, op(&n, decimal192ToNumber(&a, &x), decimal192ToNumber(&b, &y), ctx), ctx);
    });
}

struct BinaryOperation {
    const char *name;
    Module module;
    Reference reference;
};

const BinaryOperation kBinaryOperations[] = {
    {"+", decSextAdd, decNumberAdd},           {"-", decSextSubtract, decNumberSubtract},
    {"*", decSextMultiply, decNumberMultiply}, {"/", decSextDivide, decNumberDivide},
    {"<=>", decSextCompare, decNumberCompare},
};

struct UnaryOperation {
    const char *name;
    decSext *(*module)(decSext *, const decSext *, decContext *);
    decNumber *(*reference)(decNumber *, const decNumber *, decContext *);
};

const UnaryOperation kUnaryOperations[] = {{"reduce", decSextReduce, decNumberReduce},
                                           {"sqrt", decSextSquareRoot, decNumberSquareRoot}};

inline Outcome viaModule(const UnaryOperation &op, const decSext &a) {
    return outcome([&](decSext *r, decContext *ctx) { op.module(r, &a, ctx); });
}

inline Outcome viaDecNumber(const UnaryOperation &op, const decSext &a) {
    return outcome([&](decSext *r, decContext *ctx) {
        decNumber x, n;
        decimal192FromNumber(r, op.reference(&n, decimal192ToNumber(&a, &x), ctx), ctx);
    });
}

// A text read, and with `reduce` its trailing zeros dropped too.
inline Outcome readViaModule(const std::string &t, bool reduce) {
    return outcome([&](decSext *r, decContext *ctx) {
        if (reduce)
            decSextFromStringReduced(r, t.c_str(), ctx);
        else
            decSextFromString(r, t.c_str(), ctx);
    });
}

inline Outcome readViaDecNumber(const std::string &t, bool reduce) {
    return outcome([&](decSext *r, decContext *ctx) {
        decNumber read;
        decNumberFromString(&read, t.c_str(), ctx);
        if (reduce) decNumberReduce(&read, &read, ctx);
        decimal192FromNumber(r, &read, ctx);
    });
}

#endif
