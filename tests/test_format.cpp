// qebStringFormat: every conversion, every copied sequence, locales and lack
// of memory.
#include <qeb/qebformat.h>

#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Format = PoolLeakCheck;
using FormatMemory = PoolLeakCheck;

std::string text(const QebString &s) { return s.isNull() ? "<null>" : s.asCstr(); }

TEST_F(Format, EmptyFormatGivesNullAndPlainTextIsCopied) {
    EXPECT_TRUE(qebStringFormat("").isNull());
    EXPECT_TRUE(qebStringFormat(nullptr).isNull());
    const QebString one = qebStringFormat("x");
    EXPECT_FALSE(one.isNull());
    EXPECT_EQ(text(one), "x");
}

TEST_F(Format, TextConversions) {
    EXPECT_EQ(text(qebStringFormat("Failed to execute command %s. Error: %s", "ls -l", "not found")),
              "Failed to execute command ls -l. Error: not found");
    const QebString name("r\xC3\xA9sum\xC3\xA9");
    EXPECT_EQ(text(qebStringFormat("[%S]", &name)), "[r\xC3\xA9sum\xC3\xA9]");
    const QebString null;
    EXPECT_EQ(text(qebStringFormat("a%Sb", &null)), "ab");
    EXPECT_TRUE(qebStringFormat("%S", &null).isNull());
    const QebString empty = qebStringFormat("%s", "");
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty.length(), 0u);
}

TEST_F(Format, NumberConversions) {
    EXPECT_EQ(text(qebStringFormat("Command aborted with error: %d", -1)), "Command aborted with error: -1");
    EXPECT_EQ(text(qebStringFormat("%d|%ld", INT_MIN, LONG_MAX)),
              std::to_string(INT_MIN) + "|" + std::to_string(LONG_MAX));
    EXPECT_EQ(text(qebStringFormat("%I64u", ULLONG_MAX)), "18446744073709551615");
    EXPECT_EQ(text(qebStringFormat("%I64i %I64i", -1LL, LLONG_MIN)), "-1 -9223372036854775808");
    EXPECT_EQ(text(qebStringFormat("%g %g %g %g", 2.5, 0.1, 1e20, 1.0 / 3)),
              "2.5 0.1 1e+20 0.333333333333333");
}

TEST_F(Format, DoubleHasAFullStopInEveryLocale) {
    if (!useCommaDecimalLocale()) GTEST_SKIP() << "no locale with a decimal comma";
    EXPECT_EQ(text(qebStringFormat("%g", 2.5)), "2.5");
    std::setlocale(LC_ALL, "C");
}

TEST_F(Format, OddSequencesAreCopiedWithoutTakingArguments) {
    // A conversion after each odd sequence shows that no argument was used up.
    const struct {
        const char *format;
        const char *expected;
    } cases[] = {
        {"100%% %d", "100% 7"},
        {"%q %d", "%q 7"},
        {"%5d %d", "%5d 7"},
        {"%I32d %d", "%32d 7"},
        {"%I64d %d", "%64d 7"},
        {"%I6%d", "%67"},
        {"%lx %d", "%lx 7"},
        {"%l%d %d", "%l%d 7"},
        {"%%d %d", "%d 7"},
        {"%d 100%", "7 100%"},
        {"%d %l", "7 %l"},
        {"%d %I", "7 %"},
        {"%d %I6", "7 %6"},
        {"%", "%"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(text(qebStringFormat(c.format, 7)), c.expected);
    }
}

TEST_F(Format, NonAsciiFormatTextKeepsItsCharacterCount) {
    const QebString s = qebStringFormat("\xC3\xA9t\xC3\xA9 %d \xE2\x82\xAC%q", 5);
    EXPECT_EQ(text(s), "\xC3\xA9t\xC3\xA9 5 \xE2\x82\xAC%q");
    EXPECT_EQ(s.length(), 9u);
}

// True when s is pieces in order, some of them left out.
bool isPiecesInOrder(const std::string &s, const std::vector<std::string> &pieces) {
    size_t at = 0;
    for (const std::string &piece : pieces) {
        if (s.compare(at, piece.size(), piece) == 0) at += piece.size();
    }
    return at == s.size();
}

TEST_F(FormatMemory, AFailedPieceIsLeftOut) {
    const std::vector<std::string> pieces = {"Failed to execute command ", "ls", ". Error: ", "-1",
                                             " after ", "2.5", " s"};
    forEachAllocationFailure([] { return QebString(); },
                             [](QebString &s) {
                                 s = qebStringFormat("Failed to execute command %s. Error: %d after %g s",
                                                     "ls", -1, 2.5);
                             },
                             [&pieces](QebString &s, bool failed) {
                                 if (!failed) {
                                     EXPECT_EQ(text(s), "Failed to execute command ls. Error: -1 after 2.5 s");
                                 } else if (!s.isNull()) {
                                     EXPECT_TRUE(isPiecesInOrder(s.asCstr(), pieces)) << s.asCstr();
                                     EXPECT_EQ(s.length(), std::strlen(s.asCstr()));
                                 }
                             });
}

}  // namespace
