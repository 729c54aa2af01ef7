// QebSingleton: references, the table's growth and release, name rules, and
// use from several threads at once. Every test must leave the table freed.
#include <qeb/qebsingleton.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

// Reads the registry's table size: 0 once it is freed.
class QebSingletonTestAccess {
public:
    static int records() { return QebSingleton::mCount; }
};

namespace {

int records() { return QebSingletonTestAccess::records(); }

TEST(Singleton, CountsReferencesReusesRecordsAndFreesTheTable) {
    int a = 1, b = 2;
    const std::string longName(300, 'x');  // counts by its first 255 bytes
    QebSingleton::createRef(longName.c_str(), &a);
    QebSingleton::createRef("log", &b);
    QebSingleton::createRef("log", &a);  // ignored: no new pointer, no reference
    EXPECT_EQ(QebSingleton::getRef("log"), &b);
    EXPECT_EQ(QebSingleton::getRef("Log"), nullptr);  // case matters
    EXPECT_FALSE(QebSingleton::decRef("log"));
    EXPECT_TRUE(QebSingleton::decRef("log"));
    EXPECT_FALSE(QebSingleton::decRef("log"));
    for (const char *empty : {"", static_cast<const char *>(nullptr)}) {  // refused, even with a free record
        QebSingleton::createRef(empty, &b);
        EXPECT_EQ(QebSingleton::getRef(empty), nullptr);
        EXPECT_FALSE(QebSingleton::decRef(empty));
    }
    QebSingleton::createRef("next", &b);
    QebSingleton::createRef("third", &b);
    EXPECT_EQ(records(), 3);  // "next" took the free record
    EXPECT_TRUE(QebSingleton::decRef("next") && QebSingleton::decRef("third"));
    EXPECT_EQ(records(), 3);  // the long name still holds a reference
    EXPECT_EQ(QebSingleton::getRef(longName.substr(0, 254).c_str()), nullptr);
    EXPECT_EQ(QebSingleton::getRef(longName.substr(0, 255).c_str()), &a);
    EXPECT_FALSE(QebSingleton::decRef(longName.c_str()));
    EXPECT_TRUE(QebSingleton::decRef((longName.substr(0, 255) + "y").c_str()));
    EXPECT_EQ(records(), 0);
}

// Also run under ThreadSanitizer: the threads' own names and a common one make
// the table grow, reuse records and be scanned by all of them at once.
TEST(Singleton, ThreadsShareTheTable) {
    int common = 0;
    std::vector<int> failures(4, 0);
    QebSingleton::createRef("common", &common);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &common, &failures] {
            for (int round = 0, own = 0; round < 1000; ++round) {
                const std::string name = std::to_string(t) + "." + std::to_string(round % 7);
                QebSingleton::createRef(name.c_str(), &own);
                failures[t] += QebSingleton::getRef(name.c_str()) != &own || QebSingleton::getRef("common") != &common;
                failures[t] += QebSingleton::decRef(name.c_str()) || !QebSingleton::decRef(name.c_str());
                failures[t] += QebSingleton::decRef("common");
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
    EXPECT_TRUE(QebSingleton::decRef("common"));
    EXPECT_EQ(records(), 0);
}

}  // namespace
