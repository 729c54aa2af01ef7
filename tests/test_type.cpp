// Type names both ways, and the type detection of text.
#include <qeb/qebdate.h>
#include <qeb/qebtype.h>

#include "ks_uchar.h"
#include "qes_date.h"
#include "test_support.h"

#include <random>
#include <string>

namespace {

using TypeDetection = PoolLeakCheck;

TEST(TypeNames, BothWays) {
    EXPECT_STREQ(qebTypeToString(qebTypeReal), "Real");
    EXPECT_STREQ(qebTypeToString(static_cast<qebType>(6)), "");
    EXPECT_STREQ(qebTypeToString(static_cast<qebType>(-1)), "");  // no undefined behaviour
    // Names are read without regard to case; a date type brings its order.
    const struct { const char *name; qebType type; int order; } cases[] = {
        {"boolean", qebTypeBoolean, 0}, {"STRING", qebTypeString, 0}, {"Date", qebTypeDate, 0},
        {"date (ymd)", qebTypeDate, 2}, {"Date (DMY)", qebTypeDate, 1}, {"Date (MDY)", qebTypeDate, 0},
        {"Text", qebTypeUnknown, 0}, {"", qebTypeUnknown, 0}, {nullptr, qebTypeUnknown, 0},
    };
    for (const auto &c : cases) {
        int order = 77;
        EXPECT_EQ(qebTypeFromString(c.name, &order), c.type) << c.name;
        EXPECT_EQ(order, c.order) << c.name;
        EXPECT_EQ(qebTypeFromString(c.name), c.type);
    }
}

// Under the day-month-year order: detection always reads month-day-year.
TEST_F(TypeDetection, Cases) {
    const std::pair<const char *, determinedType> cases[] = {
        {"Y", determinedBoolean},       {"FALSE", determinedBoolean},
        {"no", determinedBoolean},      {"yes ", determinedString},
        {"", determinedString},         {"   ", determinedString},
        {"42", determinedInteger},      {"4.2", determinedReal},
        {" 12.50 ", determinedReal},    {"12.", determinedReal},
        {".", determinedString},        {"20091231", determinedInteger},
        {"-42", determinedInteger},     {"-5 ", determinedInteger},
        {" -5", determinedString},      {"1e5", determinedInteger},
        {"5E", determinedInteger},      {"-2e+3", determinedInteger},
        {"1.5e-3", determinedReal},     {"1e5e5", determinedString},
        {"e5", determinedString},       {"12abc", determinedString},
        {"4.2.1", determinedString},    {"1 000", determinedInteger},
        {"+-5", determinedString},      {"3/5/2024", determinedDate},
        {"2024-03-05 14:07", determinedDate}, {"12:30:15", determinedDate},
        {"00:00", determinedString},    {"12:30", determinedString},
        {"2/30/2024", determinedString}, {"13/01/2024", determinedString}, {"\xC3\xA9t\xC3\xA9", determinedString},
        {"\xD9\xA1\xD9\xA2", determinedString},  // Arabic-Indic digits are no digits here
        {"\xFF\xFE", determinedString}, {"1,5", determinedString},
    };
    ASSERT_TRUE(qebSetDateOrder(1));
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(determineType(QebString(text)), expected) << '"' << text << '"';
    EXPECT_EQ(determineType(QebString()), determinedString);
    ASSERT_TRUE(qebSetDateOrder(0));
}

// The first, plainer implementation: several passes, every character through
// the character library. The one-pass detection must agree with it on any
// text.
determinedType modelType(const QebString &text) {
    for (const char *word : {"yes", "no", "true", "false", "y", "n"})
        if (text.compare(word, false) == 0) return determinedBoolean;
    const char *const begin = text.asCstr();
    int len;
    const auto skip = [&len](const char *p, int (*isClass)(const char *, int *)) {
        while (isClass(p, &len)) p += len;
        return p;
    };
    const char *p = skip(skip(begin, ks_uchar_isspace), ks_uchar_isdigit);
    if (*p == '.') p = skip(p + 1, ks_uchar_isdigit);
    if (*skip(p, ks_uchar_isspace) != '\0') {
        int y, mo, d, h, mi, sec;
        if (qes_string_to_date(begin, &y, &mo, &d, &h, &mi, &sec, QES_DATE_MDY) == 0 && ((y && mo && d) || (h && mi && sec)))
            return determinedDate;
    }
    int letters = 0, digits = 0, signs = 0, points = 0, exponents = 0, others = 0;
    const char *previous = nullptr;
    for (p = begin; *p; previous = p, p = ks_uchar_seek(p, 1)) {
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
    if (letters > 0 || others > 0 || exponents > 1 || signs > 2 || digits == 0 || points > 1) return determinedString;
    return points == 1 ? determinedReal : determinedInteger;
}

TEST_F(TypeDetection, AgreesWithThePlainerImplementation) {
    // Pieces that move the decision: digits, signs, exponents, points, white
    // space in and out of ASCII, letters (a long s folds to 's'), date
    // separators, words, ill-formed bytes.
    const char *const pieces[] = {"0", "7", "12", "2024", ".", "E", "e", "+", "-", " ", "\t", "\xC2\xA0",
                                  "\xE3\x80\x80", "a", "Z", "\xC3\xA9", "\xC5\xBF", "\xD9\xA1", "/", ":", "T",
                                  "y", "N", "true", "FALSE", "ye", "no", "\xFF", "\xE2\x82"};
    std::mt19937 random(12);
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        for (int n = int(random() % 7); n > 0; --n) text += pieces[random() % (sizeof pieces / sizeof *pieces)];
        const QebString s(text.c_str());
        ASSERT_EQ(determineType(s), modelType(s)) << '"' << text << '"';
    }
}

}  // namespace
