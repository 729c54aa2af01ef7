// QebSingleton: references, the table's growth and release, name rules, and
// use from several threads at once.
#include <qeb/qebsingleton.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

// Reads the registry's table size.
class QebSingletonTestAccess {
public:
    static int records() { return QebSingleton::mCount; }
    static bool hasTable() { return QebSingleton::mPool != nullptr; }
};

namespace {

using Access = QebSingletonTestAccess;

// Every test leaves the registry as it found it: empty.
class Singleton : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(Access::hasTable()); }
    void TearDown() override {
        EXPECT_FALSE(Access::hasTable());
        EXPECT_EQ(Access::records(), 0);
    }
    int a = 1, b = 2;
};

TEST_F(Singleton, CountsReferencesAndFreesTheTableAtTheLast) {
    EXPECT_EQ(QebSingleton::getRef("a"), nullptr);
    EXPECT_FALSE(QebSingleton::decRef("a"));
    QebSingleton user;  // calls through an instance reach the same table
    user.createRef("a", &a);
    QebSingleton::createRef("a", &b);  // ignored: no new pointer, no reference
    EXPECT_EQ(QebSingleton::getRef("a"), &a);
    EXPECT_FALSE(user.decRef("a"));
    EXPECT_TRUE(Access::hasTable());
    EXPECT_TRUE(QebSingleton::decRef("a"));
    EXPECT_FALSE(Access::hasTable());
    EXPECT_EQ(QebSingleton::getRef("a"), nullptr);
}

TEST_F(Singleton, GrowsByOneAndReusesFreeRecords) {
    QebSingleton::createRef("Log", &a);
    QebSingleton::createRef("log", &b);  // case matters
    EXPECT_EQ(Access::records(), 2);
    EXPECT_EQ(QebSingleton::getRef("log"), &b);
    EXPECT_FALSE(QebSingleton::decRef("log"));
    EXPECT_TRUE(QebSingleton::decRef("log"));
    EXPECT_EQ(QebSingleton::getRef("log"), nullptr);
    QebSingleton::createRef("next", &b);
    EXPECT_EQ(Access::records(), 2);  // took the free record
    QebSingleton::createRef("third", &b);
    EXPECT_EQ(Access::records(), 3);
    EXPECT_TRUE(QebSingleton::decRef("next"));
    EXPECT_TRUE(QebSingleton::decRef("third"));
    EXPECT_EQ(Access::records(), 3);  // "Log" still holds a reference
    EXPECT_EQ(QebSingleton::getRef("Log"), &a);
    EXPECT_FALSE(QebSingleton::decRef("Log"));
    EXPECT_TRUE(QebSingleton::decRef("Log"));
}

TEST_F(Singleton, EmptyNamesAreRefused) {
    QebSingleton::createRef("", &a);
    QebSingleton::createRef(nullptr, &a);
    EXPECT_FALSE(Access::hasTable());
    // With a free record in the table, an empty name must not reach it.
    QebSingleton::createRef("a", &a);
    QebSingleton::createRef("b", &b);
    EXPECT_TRUE(QebSingleton::decRef("b"));
    QebSingleton::createRef("", &b);
    EXPECT_EQ(QebSingleton::getRef(""), nullptr);
    EXPECT_FALSE(QebSingleton::decRef(""));
    EXPECT_EQ(QebSingleton::getRef(nullptr), nullptr);
    EXPECT_FALSE(QebSingleton::decRef(nullptr));
    QebSingleton::createRef("c", &b);
    EXPECT_EQ(Access::records(), 2);  // "c" found the record still free
    EXPECT_TRUE(QebSingleton::decRef("c"));
    EXPECT_TRUE(QebSingleton::decRef("a"));
}

TEST_F(Singleton, LongNamesCountByTheirFirst255Bytes) {
    const std::string name(300, 'x');
    QebSingleton::createRef(name.c_str(), &a);
    EXPECT_EQ(QebSingleton::getRef(name.c_str()), &a);
    EXPECT_EQ(QebSingleton::getRef(name.substr(0, 255).c_str()), &a);
    EXPECT_EQ(QebSingleton::getRef(name.substr(0, 254).c_str()), nullptr);
    EXPECT_FALSE(QebSingleton::decRef(name.c_str()));
    EXPECT_FALSE(QebSingleton::decRef(name.c_str()));
    EXPECT_TRUE(QebSingleton::decRef((name.substr(0, 255) + "y").c_str()));
}

// Also run under ThreadSanitizer: threads register, share and release their
// own names and one common name, so the table grows, reuses records and is
// scanned by all of them at once.
TEST_F(Singleton, ThreadsShareTheTable) {
    constexpr int kThreads = 4, kRounds = 2000;
    int common = 0;
    QebSingleton::createRef("common", &common);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &common, &failures] {
            int own = t;
            for (int round = 0; round < kRounds; ++round) {
                const std::string name = "thread" + std::to_string(t) + "." + std::to_string(round % 7);
                QebSingleton::createRef(name.c_str(), &own);
                failures[t] += QebSingleton::getRef(name.c_str()) != &own;
                failures[t] += QebSingleton::getRef("common") != &common;
                failures[t] += QebSingleton::decRef(name.c_str());
                failures[t] += !QebSingleton::decRef(name.c_str());
                failures[t] += QebSingleton::decRef("common");
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
    EXPECT_TRUE(QebSingleton::decRef("common"));
}

}  // namespace
