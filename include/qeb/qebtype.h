// Value kinds of the typed value, their names, and guessing the kind of
// value a text spells.
#ifndef QEB_QEBTYPE_H
#define QEB_QEBTYPE_H

#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

// An int underneath, so that any int value can be held and tested.
enum qebType : int {
    qebTypeUnknown = 0,  // no type: the type of a null value
    qebTypeBoolean = 1,
    qebTypeInteger = 2,  // signed 64-bit
    qebTypeReal = 3,     // QebReal
    qebTypeString = 4,   // UTF-8 text
    qebTypeDate = 5      // QebDate
};

// What determineType finds; numbered unlike qebType.
enum determinedType {
    determinedBoolean = 0,
    determinedInteger = 1,
    determinedReal = 2,
    determinedDate = 3,
    determinedString = 4
};

// "Unknown", "Boolean", "Integer", "Real", "String" or "Date"; "" (never
// null) for a number that is no type.
[[nodiscard]] QEB_API const char *qebTypeToString(qebType type);
// The type named, compared without regard to case; the names "Date (MDY)",
// "Date (DMY)" and "Date (YMD)" give Date too. Unknown when none matches.
[[nodiscard]] QEB_API qebType qebTypeFromString(const char *name);
// The same, also giving the date order the name carries: 1 for "Date
// (DMY)", 2 for "Date (YMD)", 0 for every other name (and when none
// matches). dateOrder must not be null.
QEB_API qebType qebTypeFromString(const char *name, int *dateOrder);

// The kind of value the text spells, by these rules in turn: a boolean word
// (yes, no, true, false, y, n in any case, the whole text); a plain number
// (digits with at most one point, blanks around) is an integer, or a real
// with its point; a date or time readable in month-day-year order; else
// integer, real or string by a census of its characters (signs, one point,
// an exponent after a digit; blanks ignored). A null string reads as empty,
// which is a string.
[[nodiscard]] QEB_API determinedType determineType(QebString text);

#endif
