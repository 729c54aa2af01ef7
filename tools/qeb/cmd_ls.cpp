// qeb ls: the entries of a directory, sorted by path, one a line with kind,
// local modification time, read-only mark and the path below the directory.
#include "commands.h"

#include <qeb/qebdir.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Entry {
    std::string path;  // below the listed directory
    bool directory;
    std::string stamp;
    bool readOnly;
};

// True when a name on the path (below the listed directory) starts with
// '.'; the library splits it by the system's separators.
bool hasHiddenComponent(const std::string &path) {
    QebString rest(path.c_str()), name;
    while (rest.cStrSize() > 1) {
        const QebString parent = qebParsePath(rest, &name);
        if (name.asCstr()[0] == '.') return true;
        if (parent.compare(rest, true) == 0) break;  // a root: nothing more to split
        rest = parent;
    }
    return false;
}

}  // namespace

int runLs(int argc, char **argv) {
    int options = 0;
    bool all = false;
    const char *dir = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dirs") {
            options |= 1;
        } else if (arg == "--recursive") {
            options |= 2;
        } else if (arg == "--all") {
            all = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("ls", ("unknown option " + arg).c_str());
        } else if (dir) {
            return usageError("ls", "expects one DIR");
        } else {
            dir = argv[i];
        }
    }
    if (!dir) return usageError("ls", "expects a DIR");

    const QebString root(dir);
    QebDirectoryListing listing;
    if (!listing.init(root, options)) return failure(listing.getErrorMessage().asCstr());
    // Every full path starts with the directory joined to an empty name.
    const size_t prefix = qebConcatPath(root, QebString("", true)).cStrSize() - 1;
    std::vector<Entry> entries;
    while (listing.next()) {
        std::string path = std::string(listing.getFullPathName().asCstr()).substr(prefix);
        if (!all && hasHiddenComponent(path)) continue;
        entries.push_back({std::move(path), listing.isDir(), listing.getTimestamp().asString(true).asCstr(),
                           listing.isReadOnly()});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return a.path < b.path; });
    for (const Entry &entry : entries)
        std::printf("%-4s %-19s %s %s\n", entry.directory ? "dir" : "file",
                    entry.stamp.empty() ? "-" : entry.stamp.c_str(), entry.readOnly ? "ro" : "rw",
                    entry.path.c_str());
    return 0;
}
