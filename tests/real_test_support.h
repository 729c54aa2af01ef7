// Helpers shared by the QebReal test suites.
#ifndef QEB_REAL_TEST_SUPPORT_H
#define QEB_REAL_TEST_SUPPORT_H

#include <qeb/qebreal.h>

#include "decimal192.h"

#include <cstring>
#include <string>

// A number read from text (kept reduced, as assign does).
inline QebReal real(const char *text) {
    QebReal x;
    x.assign(text);
    return x;
}

// A number read from text keeping its exponent ('1.50' stays 150E-2), as
// the result of an operation may hold it.
inline QebReal unreduced(const char *text) {
    decContext ctx;
    decContextDefault(&ctx, DEC_INIT_DECIMAL192);
    decSext value;
    decSextFromString(&value, text, &ctx);
    unsigned long long words[3];
    std::memcpy(words, value.words, sizeof words);
    QebReal x;
    x.assign(&words);
    return x;
}

// The stored representation in scientific text, before any normal form.
inline std::string rawText(const QebReal &x) {
    decSext value;
    std::memcpy(value.words, x.rawWords(), sizeof value.words);
    char text[DECIMAL192_String];
    return decSextToString(&value, text);
}

// asString() of a copy, "null" for a null string.
inline std::string text(QebReal x) {
    const QebString s = x.asString();
    return s.isNull() ? "null" : s.asCstr();
}

#endif
