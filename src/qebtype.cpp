#include <qeb/qebtype.h>

#include "ks_uchar.h"
#include "qes_date.h"

#include <cstring>

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

bool isBooleanWord(const QebString &text) {
    static const char *const kWords[] = {"yes", "no", "true", "false", "y", "n"};
    for (const char *word : kWords)
        if (text.compare(word, false) == 0) return true;
    return false;
}

const char *skipWhile(const char *p, int (*isClass)(const char *, int *)) {
    for (int len; isClass(p, &len);) p += len;
    return p;
}

// Blanks, digits, an optional point with digits, blanks, and nothing more.
bool isPlainNumber(const char *p) {
    p = skipWhile(skipWhile(p, ks_uchar_isspace), ks_uchar_isdigit);
    if (*p == '.') p = skipWhile(p + 1, ks_uchar_isdigit);
    return *skipWhile(p, ks_uchar_isspace) == '\0';
}

bool isDateOrTime(const char *text) {
    int y, mo, d, h, mi, s;
    if (qes_string_to_date(text, &y, &mo, &d, &h, &mi, &s, QES_DATE_MDY) != 0) return false;
    return (y && mo && d) || (h && mi && s);
}

determinedType census(const char *text) {
    int letters = 0, digits = 0, signs = 0, points = 0, exponents = 0, others = 0, len;
    const char *previous = nullptr;
    for (const char *p = text; *p; previous = p, p = ks_uchar_seek(p, 1)) {
        const char c = *p;
        if (c == 'E' || c == 'e') {
            (previous && ks_uchar_isdigit(previous, &len) ? exponents : others) += 1;
        } else if (ks_uchar_isalpha(p, &len)) {
            ++letters;
        } else if (ks_uchar_isdigit(p, &len)) {
            ++digits;
        } else if (c == '-' || c == '+') {
            (previous && *previous != 'E' && *previous != 'e' ? others : signs) += 1;
        } else if (c == '.') {
            ++points;
        } else if (c != ' ') {
            ++others;
        }
    }
    if (letters > 0 || others > 0 || exponents > 1 || signs > 2 || digits == 0 || points > 1)
        return determinedString;
    return points == 1 ? determinedReal : determinedInteger;
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
    if (isBooleanWord(text)) return determinedBoolean;
    // Plain numbers (the empty text among them) never reach the date test,
    // so '20091231' stays an integer.
    const char *p = text.asCstr();
    if (!isPlainNumber(p) && isDateOrTime(p)) return determinedDate;
    return census(p);
}
