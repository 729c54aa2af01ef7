// Helpers shared by the test suites.
#ifndef QEB_TEST_SUPPORT_H
#define QEB_TEST_SUPPORT_H

#include <qeb/qebstring.h>

#include "qebmempool_internal.h"

#include <gtest/gtest.h>

#include <string>

// A string's text, "<null>" for a null one; and the same with "/length".
std::string textOf(const QebString &s);
std::string textAndLength(const QebString &s);

// Reads the private state of a string.
class QebStringTestAccess {
public:
    static bool isBorrowed(const QebString &s) { return s.mStatic != nullptr; }
    static const void *record(const QebString &s) { return s.mString; }
};

// Fails a test that leaves pool blocks behind.
class PoolLeakCheck : public ::testing::Test {
protected:
    void SetUp() override { mHeld = qeb_internal::outstandingPoolBlocks(); }
    void TearDown() override {
        qeb_internal::failGetBytesAt(0);
        EXPECT_EQ(qeb_internal::outstandingPoolBlocks(), mHeld) << "pool blocks leaked";
    }

private:
    unsigned long mHeld = 0;
};

// Runs `act` on a fresh state from `prepare` with the 1st, 2nd, ...
// allocation failing, until it runs with none failing; `check(state,
// failed)` inspects every run.
template <class Prepare, class Act, class Check>
void forEachAllocationFailure(Prepare prepare, Act act, Check check) {
    for (long n = 1; n < 100; ++n) {
        auto state = prepare();
        qeb_internal::failGetBytesAt(n);
        act(state);
        const bool failed = !qeb_internal::getBytesFailurePending();
        qeb_internal::failGetBytesAt(0);
        SCOPED_TRACE("allocation " + std::to_string(n) + (failed ? " failed" : " not reached"));
        check(state, failed);
        if (!failed) return;
    }
    ADD_FAILURE() << "the operation never ran without a failure";
}

// A folder of the test's own under the system's temporary directory, removed
// with everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string &path() const { return mPath; }
    // path() + "/" + name.
    std::string operator/(const std::string &name) const { return mPath + "/" + name; }

private:
    std::string mPath;
};

// What differs by system: written once for each, in posix/ and windows/.

// True when the tests run on Windows, for expectations that differ.
#ifdef _WIN32
constexpr bool kOnWindows = true;
#else
constexpr bool kOnWindows = false;
#endif

// How many descriptors (handles, on Windows) the process holds open.
long openDescriptors();

// Makes name (e.g. "tr_TR") the default locale of the Unicode rules and
// gives the one it replaces; "" where the rules have no default locale.
std::string setUnicodeDefaultLocale(const std::string &name);

// Sets or removes (null value) an environment variable of the process.
void setEnvironment(const char *name, const char *value);

// Writes or reads a whole file as bytes.
void writeFile(const std::string &path, const std::string &bytes);
std::string readFile(const std::string &path);

// Switches the C locale to language's UTF-8 form (e.g. "ja_JP"), building
// it when the system lacks it; false when it cannot be had.
bool useUtf8Locale(const char *language);
// Switches the C locale to one whose decimal separator is a comma; false
// when it cannot be had.
bool useCommaDecimalLocale();

#endif
