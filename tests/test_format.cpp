// qebStringFormat: the limits of each conversion, null arguments, locales
// and lack of memory. Odd sequences against a model of the rules are
// fuzz_format's.
#include <qeb/qebformat.h>

#include "test_support.h"

#include <climits>
#include <clocale>

namespace {

using Format = PoolLeakCheck;

TEST_F(Format, ConversionsAndNullArguments) {
    const QebString name("r\xC3\xA9sum\xC3\xA9"), null;
    const struct { QebString got; std::string want; } cases[] = {
        {qebStringFormat("[%S|%S|%S|%s]", &name, &null, static_cast<const QebString *>(nullptr),
                         static_cast<const char *>(nullptr)), "[r\xC3\xA9sum\xC3\xA9|||]"},
        {qebStringFormat("%d|%ld", INT_MIN, LONG_MAX), std::to_string(INT_MIN) + "|" + std::to_string(LONG_MAX)},
        {qebStringFormat("%I64u %I64i", ULLONG_MAX, LLONG_MIN), "18446744073709551615 -9223372036854775808"},
        {qebStringFormat("%s", ""), ""},  // empty, not null
        {qebStringFormat("%S", &null), "<null>"}, {qebStringFormat(""), "<null>"}, {qebStringFormat(nullptr), "<null>"},
        {qebStringFormat("100%% %q %lx %I32d %I6%d %l", 7), "100% %q %lx %32d %67 %l"},  // odd ones take no argument
    };
    for (const auto &c : cases) {
        EXPECT_EQ(textOf(c.got), c.want);
        EXPECT_EQ(c.got.length(), QebString(c.got.asCstr()).length()) << c.want;  // counted in characters
    }
}

TEST_F(Format, DoubleHasAFullStopInEveryLocale) {
    if (!useCommaDecimalLocale()) GTEST_SKIP() << "no locale with a decimal comma";
    EXPECT_EQ(textOf(qebStringFormat("%g", 2.5)), "2.5");
    std::setlocale(LC_ALL, "C");
}

TEST_F(Format, AFailedPieceIsLeftOut) {
    const std::string pieces[] = {"Failed ", "ls", ". Error: ", "-1", " after ", "2.5", " s"};
    forEachAllocationFailure(
        [] { return QebString(); },
        [](QebString &s) { s = qebStringFormat("Failed %s. Error: %d after %g s", "ls", -1, 2.5); },
        [&](QebString &s, bool failed) {
            std::string rest = s.asCstr();  // the pieces in order, the failed one left out
            int missing = 0;
            for (const std::string &piece : pieces) {
                if (rest.compare(0, piece.size(), piece) == 0) rest.erase(0, piece.size());
                else ++missing;
            }
            EXPECT_EQ(rest, "") << s.asCstr();
            EXPECT_EQ(missing, failed ? 1 : 0) << s.asCstr();
        });
}

}  // namespace
