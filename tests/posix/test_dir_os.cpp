// test_dir's calls to the system on POSIX.
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

bool setModificationTime(const std::string &path, long long seconds) {
    const timeval times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    struct stat info;
    return lutimes(path.c_str(), times) == 0 && lstat(path.c_str(), &info) == 0 && info.st_mtime == seconds;
}

// Walks down with *at calls, which reach where a full path cannot.
bool makeBelow(const std::string &base, const std::string &relative, bool directory) {
    int parent = open(base.c_str(), O_RDONLY | O_DIRECTORY);
    size_t start = 0;
    for (size_t end; parent >= 0 && (end = relative.find('/', start)) != std::string::npos; start = end + 1) {
        const int inner = openat(parent, relative.substr(start, end - start).c_str(), O_RDONLY | O_DIRECTORY);
        close(parent);
        parent = inner;
    }
    if (parent < 0) return false;
    const std::string name = relative.substr(start);
    const int made =
        directory ? mkdirat(parent, name.c_str(), 0755) : openat(parent, name.c_str(), O_CREAT | O_WRONLY, 0644);
    if (!directory && made >= 0) close(made);
    close(parent);
    return made >= 0;
}
