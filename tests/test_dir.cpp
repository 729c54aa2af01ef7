// Directory listings over a real tree made in a temporary directory: what
// each mode lists and in which order, links, long paths, time stamps,
// failures, the object's life cycle and descriptors. Read-only marks are
// checked as an ordinary user by tool/ls.sh.
#include <qeb/qebdir.h>
#include <qeb/qebmessage.h>

#include "ks_fio.h"
#include "test_support.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <vector>

// What needs the system's own calls (posix/ and windows/ test_dir_os.cpp).
// Sets a file's modification time: false when the file system cannot hold
// it.
bool setModificationTime(const std::string &path, long long seconds);
// Makes a directory or an empty file at base/relative, however long the
// path.
bool makeBelow(const std::string &base, const std::string &relative, bool directory);

namespace {

namespace fs = std::filesystem;

using Paths = std::map<std::string, bool>;  // below the root, with isDir

// Listings join with this; the tables below write '/'.
const char kSep = kOnWindows ? '\\' : '/';

std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', kSep);
    return path;
}

// Links: "self" points at itself, "dangling" at nothing, "link_dir" at sub
// and "sub/up" at the root; none is entered. Windows lets only privileged
// users make links: the tree has none there.
const std::set<std::string> kLinks = {"self", "dangling", "link_dir", "sub/up"};
const Paths kTree = {
    {"a.txt", false}, {".hidden", false}, {"ro.txt", false}, {"sub", true}, {"sub/b.txt", false},
    {"sub/.h2", false}, {"sub/deeper", true}, {"sub/deeper/c.txt", false}, {".hdir", true},
    {".hdir/d.txt", false}, {"self", false}, {"dangling", false}, {"link_dir", true}, {"sub/up", true},
};

class Dir : public PoolLeakCheck {
protected:
    void SetUp() override {
        PoolLeakCheck::SetUp();
        for (const char *directory : {"sub/deeper", ".hdir"}) fs::create_directories(at(directory));
        for (const char *file :
             {"a.txt", ".hidden", "ro.txt", "sub/b.txt", "sub/.h2", "sub/deeper/c.txt", ".hdir/d.txt"})
            std::ofstream(at(file)).put('x');
        const std::pair<const char *, const char *> links[] = {
            {"self", "self"}, {"missing", "dangling"}, {"sub", "link_dir"}, {"..", "sub/up"}};
        if (kOnWindows) return;  // no links there
        for (const auto &link : links) fs::create_symlink(link.first, at(link.second));
    }

    std::string at(const std::string &relative) const { return mRoot + kSep + native(relative); }

    // The paths below the root, in order, each with isDir; names and full
    // paths checked on the way.
    std::vector<std::pair<std::string, bool>> listAll(QebDirectoryListing &listing) {
        std::vector<std::pair<std::string, bool>> entries;
        while (listing.next()) {
            const std::string full = listing.getFullPathName().asCstr(), relative = full.substr(mRoot.size() + 1);
            EXPECT_EQ(full, at(relative));
            EXPECT_EQ(textOf(listing.getName()), relative.substr(relative.rfind(kSep) + 1));
            entries.emplace_back(relative, listing.isDir());
        }
        return entries;
    }

    ScratchDir mDir;
    const std::string mRoot = mDir.path();
};

Paths expectedFor(int mode) {
    Paths expected;
    for (const auto &[path, directory] : kTree) {
        if (kOnWindows && kLinks.count(path)) continue;
        const bool hidden = path[0] == '.' || path.find("/.") != std::string::npos;
        if ((mode & (directory ? KS_DIR_DIRECTORIES : KS_DIR_FILES)) &&
            ((mode & KS_DIR_RECURSIVE) || path.find('/') == std::string::npos) && (!hidden || (mode & KS_DIR_HIDDEN)))
            expected[native(path)] = directory;
    }
    return expected;
}

TEST_F(Dir, EachModeListsItsEntriesDepthFirst) {
    for (int mode = 0; mode < 32; mode += (mode & 7) == 7 ? 9 : 1) {
        ks_dir_handle handle = nullptr;
        ASSERT_EQ(ks_dir_open(mRoot.c_str(), mode, &handle), 0);
        std::vector<std::pair<std::string, bool>> entries;
        char path[4096];
        ks_fio_status status;
        while (ks_dir_next_stat(handle, path, sizeof path, &status) == 0)
            entries.emplace_back(path + mRoot.size() + 1, status.type == KS_FIO_TYPE_DIRECTORY);
        ks_dir_close(handle);
        EXPECT_EQ(Paths(entries.begin(), entries.end()), expectedFor(mode)) << "mode " << mode;
        EXPECT_EQ(entries.size(), expectedFor(mode).size()) << "mode " << mode;
        // A listed subdirectory's entries come right after it, before any other.
        for (size_t i = 0; (mode & KS_DIR_DIRECTORIES) && i + 1 < entries.size(); ++i) {
            const std::string &entry = entries[i + 1].first;
            const std::string parent = entry.substr(0, entry.rfind(kSep) + 1);
            EXPECT_TRUE(parent.empty() || entries[i].first.compare(0, parent.size(), parent) == 0 ||
                        entries[i].first + kSep == parent) << entry << " after " << entries[i].first;
        }
        // QebDirectoryListing's options 0 to 3 (other bits ignored) list as modes 5, 7, 21 and 23.
        if ((mode & 5) == 5) {
            QebDirectoryListing listing;
            ASSERT_TRUE(listing.init(QebString(mRoot.c_str()), (mode & 2) / 2 + (mode & 16) / 8 + 12));
            EXPECT_EQ(listAll(listing), entries) << "mode " << mode;
        }
    }
}

TEST_F(Dir, LongPathsUpToTheBuffer) {
    // 200-byte names down to 4095 bytes of path. The last file fits the
    // buffer exactly; the directory beside it, one byte longer, is passed
    // over with what it holds.
    const std::string name(200, 'n');
    std::string relative = "sub/deeper";
    const auto room = [&] { return ks_dir_pathlen - 1 - int(mRoot.size() + relative.size() + 2); };
    while (room() > 254) {
        relative += "/" + name;
        ASSERT_TRUE(makeBelow(mRoot, relative, true));
    }
    const std::string fits = relative + "/" + std::string(room(), 'f');
    if (!makeBelow(mRoot, fits, false)) {
        // Wine's paths on the host are longer than the Windows ones.
        ASSERT_TRUE(kOnWindows) << "cannot make " << fits;
        GTEST_SKIP() << "the file system holds no path this long";
    }
    ASSERT_TRUE(makeBelow(mRoot, fits + "x", true));
    ASSERT_TRUE(makeBelow(mRoot, fits + "x/f", false));
    QebDirectoryListing listing;
    ASSERT_TRUE(listing.init(QebString(mRoot.c_str()), 3));
    const auto entries = listAll(listing);
    const Paths listed(entries.begin(), entries.end());
    EXPECT_EQ(listed.size(), expectedFor(23).size() + (relative.size() - 10) / 201 + 1);
    EXPECT_EQ(listed.count(native(fits)), 1u);
}

// Local time here is three hours east of UTC; times before 1970 and after
// 2106 (where the file system holds them) give 0. Windows converts with the
// system's zone whatever TZ says: only the seconds are known there.
TEST_F(Dir, TimeStampsAreTheModificationTime) {
    const auto local = [](const std::string &text) {
        return kOnWindows && text.size() == 19 ? text.substr(16) : text;
    };
    const char *zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    setEnvironment("TZ", "QST-3");
    tzset();
    ASSERT_TRUE(setModificationTime(at("a.txt"), 1700000000));
    const bool early = setModificationTime(at(".hidden"), -86400),
               late = setModificationTime(at("ro.txt"), 0x100000000LL + 60);
    QebDirectoryListing listing;
    ASSERT_TRUE(listing.init(QebString(mRoot.c_str()), 0));
    std::map<std::string, std::string> stamps;
    while (listing.next())
        stamps[listing.getName().asCstr()] =
            std::to_string(listing.getTimestampLong()) + " " + local(textOf(listing.getTimestamp().asString(true)));
    EXPECT_EQ(stamps["a.txt"], "1700000000 " + local("2023-11-15 01:13:20"));
    const std::string epoch = "0 " + local("1970-01-01 03:00:00");
    EXPECT_TRUE(!early || stamps[".hidden"] == epoch) << stamps[".hidden"];
    EXPECT_TRUE(!late || stamps["ro.txt"] == epoch) << stamps["ro.txt"];
    setEnvironment("TZ", zone ? saved.c_str() : nullptr);
    tzset();
}

TEST_F(Dir, FailuresNameThePath) {
    struct Case { std::string path; int code; };
    // Windows finds no path below a file; POSIX finds a file where a
    // directory should be.
    std::vector<Case> cases = {
        {at("missing"), 445}, {"", 445}, {at("a.txt"), 446}, {at("a.txt/x"), kOnWindows ? 445 : 446}};
    if (!kOnWindows) cases.insert(cases.end(), {{at("dangling"), 445}, {at("self"), 467}});  // 467: a loop, ELOOP
    for (const auto &c : cases) {
        QebDirectoryListing listing;
        EXPECT_FALSE(listing.init(QebString(c.path.c_str()), 1)) << c.path;
        const QebString message = listing.getErrorMessage(),
                        expected = qeb_get_message("", 0, "Base Services", c.code, c.path.c_str(), ELOOP);
        EXPECT_EQ(textOf(message), textOf(expected));
        EXPECT_NE(std::string(message.asCstr()).find("\"" + c.path + "\""), std::string::npos) << message.asCstr();
        EXPECT_FALSE(listing.next());
        EXPECT_TRUE(listing.getFullPathName().isNull());
        // A failed init may be retried; the message stays.
        EXPECT_TRUE(listing.init(QebString(mRoot.c_str()), 0));
        EXPECT_TRUE(listing.next());
        EXPECT_EQ(textOf(listing.getErrorMessage()), textOf(message));
    }
}

TEST_F(Dir, LifeCycleCopiesAndDescriptors) {
    const long before = openDescriptors();
    {
        QebDirectoryListing listing;
        ASSERT_TRUE(listing.init(QebString(mRoot.c_str()), 2));
        EXPECT_EQ(textOf(listing.getFullPathName()), "");  // before the first entry
        EXPECT_TRUE(listing.getName().isNull());
        EXPECT_FALSE(listing.isDir() || listing.isReadOnly() || listing.getTimestampLong());
        EXPECT_TRUE(listing.getTimestamp().isNull());
        ASSERT_TRUE(listing.next());
        const QebString first = listing.getFullPathName();
        // A second init changes nothing and says nothing.
        EXPECT_FALSE(listing.init(QebString(at("sub").c_str()), 0));
        EXPECT_TRUE(listing.getErrorMessage().isNull());
        EXPECT_EQ(textOf(listing.getFullPathName()), textOf(first));

        QebDirectoryListing copy(listing), failed;  // a copy has no listing of its own...
        EXPECT_FALSE(copy.next());
        EXPECT_TRUE(copy.init(QebString(at("sub").c_str()), 0));  // ... until its init
        EXPECT_TRUE(copy.next());
        EXPECT_FALSE(failed.init(QebString(at("missing").c_str()), 0));
        copy = failed;  // closes the copy's listing, takes the message
        EXPECT_FALSE(copy.next());
        EXPECT_EQ(textOf(copy.getErrorMessage()), textOf(failed.getErrorMessage()));
        const QebDirectoryListing &same = listing;
        listing = same;

        size_t rest = 0;
        while (listing.next()) ++rest;
        EXPECT_EQ(rest + 1, expectedFor(21).size());
        // The last entry stays.
        EXPECT_FALSE(listing.next());
        const std::string last = listing.getFullPathName().asCstr();
        EXPECT_EQ(textOf(listing.getName()), last.substr(last.rfind(kSep) + 1));
        EXPECT_NE(last, "");
        QebDirectoryListing open;
        ASSERT_TRUE(open.init(QebString(mRoot.c_str()), 3));
        ASSERT_TRUE(open.next());
        EXPECT_TRUE(before == 0 || openDescriptors() > before);  // Wine counts no handles
    }
    EXPECT_EQ(openDescriptors(), before);
}

}  // namespace
