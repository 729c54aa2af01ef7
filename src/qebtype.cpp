#include <qeb/qebtype.h>

#include "ks_uchar.h"
#include "qes_date.h"

#include <cstdint>

namespace {

struct TypeName {
    const char *name;
    qebType type;
    int dateOrder;  // -1: no date
};

// Searched in order: the first row of a type gives its name.
const TypeName kTypeNames[] = {
    {"Unknown", qebTypeUnknown, -1}, {"Boolean", qebTypeBoolean, -1},
    {"Integer", qebTypeInteger, -1}, {"Real", qebTypeReal, -1},
    {"String", qebTypeString, -1},   {"Date", qebTypeDate, QES_DATE_MDY},
    {"Date (MDY)", qebTypeDate, QES_DATE_MDY}, {"Date (DMY)", qebTypeDate, QES_DATE_DMY},
    {"Date (YMD)", qebTypeDate, QES_DATE_YMD},
};

const TypeName *findName(const char *name) {
    if (!name) return nullptr;
    for (const TypeName &row : kTypeNames)
        if (ks_uchar_icomp(row.name, name) == 0) return &row;
    return nullptr;
}

// An ASCII text equal to a word of lower-case ASCII letters in any case: a
// letter differs from its capital in bit 5 alone.
bool isWordInAnyCase(const char *p, size_t bytes, const char *word) {
    size_t i = 0;
    while (i < bytes && word[i] != '\0' && (p[i] | 0x20) == word[i]) ++i;
    return i == bytes && word[i] == '\0';
}

// Only the letters themselves fold to the first letters of the words, and
// only 's' has a longer form that folds to it (U+017F, two bytes), so a
// text that starts otherwise or is longer than "fal\u017Fe" is no word; the
// rest are compared by folding. p is the text's own bytes.
bool isBooleanWord(const QebString &text, const char *p) {
    static const char *const kWords[] = {"yes", "no", "true", "false", "y", "n"};
    const char first = char(*p | 0x20);
    if (first != 'y' && first != 'n' && first != 't' && first != 'f') return false;
    const size_t bytes = text.cStrSize() - 1;
    if (bytes > 6) return false;
    bool ascii = true;
    for (size_t i = 0; i < bytes; ++i) ascii &= static_cast<unsigned char>(p[i]) < 0x80;
    for (const char *word : kWords) {
        if (ascii ? isWordInAnyCase(p, bytes, word) : text.compare(word, false) == 0) return true;
    }
    return false;
}

// What a character counts as. White space counts as a blank in a plain
// number but, except ' ' itself, as another character in the census.
enum CharClass : uint8_t { kBlank, kSpace, kDigit, kLetter, kExponent, kSign, kPoint, kOther, kClassCount };

// ASCII as the character library classes it: letters and digits as the C
// locale has them, white space '\t' to '\r' and ' '.
constexpr CharClass asciiClass(int c) {
    if (c == ' ') return kBlank;
    if (c >= '\t' && c <= '\r') return kSpace;
    if (c >= '0' && c <= '9') return kDigit;
    if (c == 'E' || c == 'e') return kExponent;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return kLetter;
    if (c == '+' || c == '-') return kSign;
    return c == '.' ? kPoint : kOther;
}

struct AsciiClasses {
    CharClass of[128];
    constexpr AsciiClasses() : of() {
        for (int c = 0; c < 128; ++c) of[c] = asciiClass(c);
    }
};
constexpr AsciiClasses kAscii;

// Where a plain number (blanks, digits, an optional point with digits,
// blanks, and nothing more) stands after each character.
enum Part : uint8_t { kLead, kDigits, kFraction, kTrail, kNotPlain };
constexpr Part nextPart(Part part, CharClass cls) {
    if (part == kNotPlain) return kNotPlain;
    if (cls == kBlank || cls == kSpace) return part == kLead ? kLead : kTrail;
    if (cls == kDigit) return part == kTrail ? kNotPlain : part == kLead ? kDigits : part;
    if (cls == kPoint) return part == kLead || part == kDigits ? kFraction : kNotPlain;
    return kNotPlain;
}

struct PartTable {
    Part next[kNotPlain + 1][kClassCount];
    constexpr PartTable() : next() {
        for (int part = kLead; part <= kNotPlain; ++part)
            for (int cls = 0; cls < kClassCount; ++cls) next[part][cls] = nextPart(Part(part), CharClass(cls));
    }
};
constexpr PartTable kParts;

// What one pass over a text finds: the characters the kinds are told by, and
// whether it is a plain number.
struct Census {
    int letters = 0, digits = 0, points = 0, exponents = 0, signs = 0, others = 0;
    bool plain = true;

    determinedType kind() const {
        if (letters > 0 || others > 0 || exponents > 1 || signs > 2 || digits == 0 || points > 1)
            return determinedString;
        return points == 1 ? determinedReal : determinedInteger;
    }
};

// Counts each character's class without branching on it: texts of every
// kind alternate, so such branches would mostly be mispredicted.
Census takeCensus(const char *text) {
    int letters = 0, digits = 0, points = 0, exponents = 0, signs = 0, others = 0;
    Part part = kLead;
    CharClass previous = kBlank;
    bool first = true;
    for (const char *p = text; *p;) {
        const unsigned char c = static_cast<unsigned char>(*p);
        int len = 1;
        CharClass cls;
        if (c < 0x80) {
            cls = kAscii.of[c];
        } else {
            cls = ks_uchar_isalpha(p, &len) ? kLetter : ks_uchar_isspace(p, &len) ? kSpace : kOther;
        }
        // An exponent needs a digit before it; a sign stands first or after one.
        const bool exponent = cls == kExponent, sign = cls == kSign;
        const bool exponentFits = previous == kDigit, signFits = first || previous == kExponent;
        letters += cls == kLetter;
        digits += cls == kDigit;
        points += cls == kPoint;
        exponents += exponent & exponentFits;
        signs += sign & signFits;
        others += (cls == kSpace) | (cls == kOther) | (exponent & !exponentFits) | (sign & !signFits);
        part = kParts.next[part][cls];
        // A letter or another character makes it text unless it is a date,
        // which the rest cannot change.
        if (part == kNotPlain && (letters | others)) break;
        previous = cls;
        first = false;
        p += len;
    }
    return {letters, digits, points, exponents, signs, others, part != kNotPlain};
}

// The commonest fields, digits with at most one point and nothing else,
// told apart in one short loop; false leaves the text to the full rules.
bool isBarePlainNumber(const char *p, determinedType *kind) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const char *start = p;
    while (isDigit(*p)) ++p;
    bool point = false;
    if (*p == '.') {
        point = true;
        while (isDigit(*++p)) {}
    }
    if (*p != '\0' || p == start) return false;
    *kind = p - start == 1 && point ? determinedString : point ? determinedReal : determinedInteger;
    return true;
}

bool isDateOrTime(const char *text) {
    // Every date and time starts with a digit after its blanks.
    const char *p = text;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p < '0' || *p > '9') return false;
    int y, mo, d, h, mi, s;
    if (qes_string_to_date(text, &y, &mo, &d, &h, &mi, &s, QES_DATE_MDY) != 0) return false;
    return (y && mo && d) || (h && mi && s);
}

}  // namespace

const char *qebTypeToString(qebType type) {
    for (const TypeName &row : kTypeNames)
        if (row.type == type) return row.name;
    return "";
}

qebType qebTypeFromString(const char *name) {
    const TypeName *row = findName(name);
    return row ? row->type : qebTypeUnknown;
}

qebType qebTypeFromString(const char *name, int *dateOrder) {
    *dateOrder = 0;
    const TypeName *row = findName(name);
    if (!row) return qebTypeUnknown;
    if (row->dateOrder > 0) *dateOrder = row->dateOrder;
    return row->type;
}

determinedType determineType(QebString text) {
    const char *const p = text.asCstr();
    // A boolean word starts with a letter, so a bare number is no word.
    determinedType bare;
    if (isBarePlainNumber(p, &bare)) return bare;
    if (isBooleanWord(text, p)) return determinedBoolean;
    // Plain numbers (the empty text among them) never reach the date test,
    // so '20091231' stays an integer.
    const Census census = takeCensus(p);
    if (!census.plain && isDateOrTime(p)) return determinedDate;
    return census.kind();
}
