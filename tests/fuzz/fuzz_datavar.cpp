// Typed values from lines of text. Each line's first byte chooses a type and
// how the rest becomes a value (see valueOf). The kind determineType gives a
// line agrees with its characters; every value survives its raw form, a
// copy's change and the conversions that must come back; and QebDatavarLess
// is a strict weak ordering over all the values made.
#include "fuzz_support.h"

#include <qeb/qebdatavar.h>
#include <qeb/qebtype.h>

#include "qes_date.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const size_t kMaxLines = 8;

bool equalsIgnoringAsciiCase(const std::string &text, const char *word) {
    if (text.size() != std::strlen(word)) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    return true;
}

bool onlyOf(const std::string &text, const char *characters) {
    return text.find_first_not_of(characters) == std::string::npos;
}

void checkDetermined(const std::string &text) {
    const determinedType kind = determineType(QebString(text.c_str()));
    const char *name = text.c_str();
    bool word = false;
    for (const char *w : {"yes", "no", "true", "false", "y", "n"}) word = word || equalsIgnoringAsciiCase(text, w);
    // Case folding may match a non-ASCII character to a letter of a word.
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
    FUZZ_CHECK(word == (kind == determinedBoolean) || (!ascii && kind == determinedBoolean), "%s is determined %d",
               escaped(text).c_str(), kind);
    if (kind == determinedInteger || kind == determinedReal) {
        FUZZ_CHECK(onlyOf(text, "0123456789 .+-eE") && text.find_first_of("0123456789") != std::string::npos &&
                       (kind == determinedReal) == (std::count(text.begin(), text.end(), '.') == 1),
                   "%s is determined %d", escaped(text).c_str(), kind);
    }
    const size_t point = text.find('.');
    if (!text.empty() && onlyOf(text, "0123456789.") && point == text.rfind('.') && point != 0 &&
        point + 1 != text.size())
        FUZZ_CHECK(kind == (point == std::string::npos ? determinedInteger : determinedReal),
                   "the number %s is determined %d", escaped(text).c_str(), kind);
    if (kind == determinedDate) {
        int y, mo, d, h, mi, s;
        FUZZ_CHECK(qes_string_to_date(name, &y, &mo, &d, &h, &mi, &s, QES_DATE_MDY) == 0,
                   "%s is determined a date, but is none", escaped(text).c_str());
    }
}

// A type number (any int, as one read from a file may be) and a type name.
void checkTypeNames(const std::string &text, signed char number) {
    const qebType type = static_cast<qebType>(number);
    const char *name = qebTypeToString(type);
    const bool known = number >= qebTypeUnknown && number <= qebTypeDate;
    FUZZ_CHECK(name && (known || *name == '\0') && qebTypeFromString(name) == (known ? type : qebTypeUnknown),
               "the name \"%s\" of type %d reads back as another", name ? name : "(null)", int(number));
    int order = -1;
    const qebType named = qebTypeFromString(text.c_str(), &order);
    FUZZ_CHECK(order >= 0 && order <= 2 && (order == 0 || named == qebTypeDate) &&
                   qebTypeFromString(qebTypeToString(named)) == named,
               "%s names type %d with order %d", escaped(text).c_str(), int(named), order);
}

std::string rawOf(const QebDatavar &v) {
    unsigned int size = 0;
    const void *raw = v.getRaw(&size);
    return raw ? std::string(static_cast<const char *>(raw), size) : std::string();
}

std::string describe(const QebDatavar &v) {
    return "type " + std::to_string(int(v.type())) + " raw " + escaped(rawOf(v));
}

// The raw form rebuilds an equal value; a changed copy leaves the value
// alone.
void checkRawAndCopy(const QebDatavar &v) {
    unsigned int size = 0;
    const void *raw = v.getRaw(&size);
    QebDatavar rebuilt;
    rebuilt.assign(v.type(), raw, size);
    FUZZ_CHECK(rebuilt.type() == v.type() && rebuilt.compare(v) == 0 && rawOf(rebuilt) == rawOf(v),
               "%s is rebuilt as %s", describe(v).c_str(), describe(rebuilt).c_str());
    const std::string before = rawOf(v);
    QebDatavar copy = v;
    const qebType target = v.type() == qebTypeString ? qebTypeInteger : qebTypeString;
    const bool converted = copy.setType(target);
    // A Real's text puts its shared number into normal form: the same value.
    FUZZ_CHECK(v.type() == qebTypeReal ? rebuilt.compare(v) == 0 : rawOf(v) == before,
               "changing a copy of %s changes it", describe(v).c_str());
    FUZZ_CHECK(!converted || copy.type() == target || copy.isNull(), "%s converted to type %d is %s",
               describe(v).c_str(), int(target), describe(copy).c_str());
    if (v.type() == qebTypeString) {
        const std::string text = before.c_str();
        FUZZ_CHECK(v.length() == int(utf8Length(text)), "%s has length %d", describe(v).c_str(), v.length());
    } else {
        FUZZ_CHECK(v.length() == -1, "%s has length %d", describe(v).c_str(), v.length());
    }
}

// Conversions that must come back: a number through its text, a date
// through its day count, an integer through a Real.
void checkConversions(const QebDatavar &v) {
    QebDatavar value = v;
    switch (v.type()) {
    case qebTypeInteger: {
        const long long n = v.asInt64();
        FUZZ_CHECK(v.asInt() == static_cast<int>(static_cast<unsigned long long>(n) & 0xFFFFFFFFu) &&
                       bytesOf(value.asString()) == std::to_string(n),
                   "the integer %lld converts to %d and %s", n, v.asInt(), value.asString().asCstr());
        FUZZ_CHECK(value.setType(qebTypeReal) && value.asInt64() == n && value.setType(qebTypeInteger) &&
                       value.compare(v) == 0,
                   "the integer %lld does not come back through a Real", n);
        break;
    }
    case qebTypeReal: {
        if (v.isNull()) break;
        FUZZ_CHECK(value.setType(qebTypeString) && value.setType(qebTypeReal) && value.compare(v) == 0,
                   "%s does not come back through its text", describe(v).c_str());
        break;
    }
    case qebTypeDate: {
        const double day = v.asDouble();
        if (std::isnan(day)) break;
        const bool converted = value.setType(qebTypeReal);
        FUZZ_CHECK(converted && value.asDouble() == day, "the date %.17g becomes the Real %s", day,
                   describe(value).c_str());
        FUZZ_CHECK(value.setType(qebTypeDate) && (value.isNull() || value.asDouble() == QebDate(day).asDouble()),
                   "the date %.17g does not come back through a Real", day);
        break;
    }
    case qebTypeBoolean: {
        bool failed = true;
        const bool truth = v.asBool(&failed);
        FUZZ_CHECK(!failed && bytesOf(value.asString()) == (truth ? "true" : "false"), "the Boolean %s reads %d",
                   describe(v).c_str(), truth);
        break;
    }
    default: break;
    }
}

void checkOrdering(const std::vector<QebDatavar> &values) {
    const QebDatavarLess less;
    for (const QebDatavar &a : values) {
        FUZZ_CHECK(!less(a, a), "%s is less than itself", describe(a).c_str());
        for (const QebDatavar &b : values) {
            FUZZ_CHECK(!(less(a, b) && less(b, a)), "%s and %s are each less than the other", describe(a).c_str(),
                       describe(b).c_str());
            FUZZ_CHECK(a.type() == b.type() || a.isNull() || b.isNull() || a.compare(b) != 0,
                       "%s equals %s of another type", describe(a).c_str(), describe(b).c_str());
            for (const QebDatavar &c : values) {
                const bool equivalentAB = !less(a, b) && !less(b, a), equivalentBC = !less(b, c) && !less(c, b);
                FUZZ_CHECK(!(less(a, b) && less(b, c)) || less(a, c), "< is not transitive over %s, %s, %s",
                           describe(a).c_str(), describe(b).c_str(), describe(c).c_str());
                FUZZ_CHECK(!(equivalentAB && equivalentBC) || (!less(a, c) && !less(c, a)),
                           "equivalence is not transitive over %s, %s, %s", describe(a).c_str(), describe(b).c_str(),
                           describe(c).c_str());
            }
        }
    }
}

// '0' to '5' read the text as a String and convert it to types 0 to 5; '6'
// to ';' take it as the raw bytes of types 0 to 5.
QebDatavar valueOf(unsigned char how, const std::string &text) {
    const qebType type = static_cast<qebType>(how % 12 % 6);
    QebDatavar v;
    if (how % 12 >= 6) {
        v.assign(type, text.data(), unsigned(text.size()));
    } else {
        v.assign(text.c_str());
        const bool converted = v.setType(type);
        FUZZ_CHECK(
            converted ? v.type() == type || v.isNull() : type == qebTypeUnknown || v.type() == type || v.isNull(),
            "%s failed to become type %d and is %s", escaped(text).c_str(), int(type), describe(v).c_str());
    }
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string input(reinterpret_cast<const char *>(data), size);
    std::vector<QebDatavar> values(1);  // a null value among them
    size_t at = 0;
    while (at < input.size() && values.size() <= kMaxLines) {
        const size_t end = std::min(input.find('\n', at + 1), input.size());
        const unsigned char how = static_cast<unsigned char>(input[at]);
        const std::string text = input.substr(at + 1, end - at - 1);
        at = end + 1;
        checkDetermined(text.c_str());
        checkTypeNames(text.c_str(), static_cast<signed char>(how));
        const QebDatavar v = valueOf(how, text);
        if (v.isNull() && v.type() != qebTypeReal) continue;
        checkRawAndCopy(v);
        checkConversions(v);
        values.push_back(v);
    }
    checkOrdering(values);
    return 0;
}
