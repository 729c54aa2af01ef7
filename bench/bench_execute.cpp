// Running commands against posix_spawnp + waitpid and popen + fread.
#include <qeb/qebexecute.h>

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern char **environ;

namespace {

const size_t kOutputBytes = 1024;

// A file of kOutputBytes of text in lines, made on first use and removed at exit.
const std::string &outputFile() {
    static const struct File {
        File() {
            char pattern[] = "/tmp/qeb_bench_execute_XXXXXX";
            const int fd = mkstemp(pattern);
            if (fd < 0) std::abort();
            path = pattern;
            const std::string line(63, 'x');
            for (size_t written = 0; written < kOutputBytes; written += line.size() + 1)
                if (write(fd, (line + "\n").data(), line.size() + 1) != ssize_t(line.size() + 1)) std::abort();
            close(fd);
        }
        ~File() { unlink(path.c_str()); }
        std::string path;
    } file;
    return file.path;
}

void runTrueOurs(benchmark::State &state) {
    QebExecute execute;
    execute.setCommand(QebString("/bin/true", true));
    for (auto _ : state)
        if (!execute.run(false, false, 1)) state.SkipWithError("the command failed");
}

void runTruePeer(benchmark::State &state) {
    char *const argv[] = {const_cast<char *>("/bin/true"), nullptr};
    for (auto _ : state) {
        pid_t pid;
        int status;
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) != 0 || waitpid(pid, &status, 0) != pid)
            state.SkipWithError("the command failed");
    }
}

void captureOurs(benchmark::State &state) {
    QebExecute execute;
    execute.setCommand(QebString("cat", true));
    execute.addOption(QebString(outputFile().c_str()));
    for (auto _ : state) {
        if (!execute.run(true, true, 1) || execute.getOutputLog().cStrSize() != kOutputBytes + 1)
            state.SkipWithError("wrong output");
    }
}

void capturePeer(benchmark::State &state) {
    const std::string line = "cat " + outputFile();
    char buffer[8192];
    for (auto _ : state) {
        FILE *pipe = popen(line.c_str(), "r");
        if (!pipe) {
            state.SkipWithError("popen failed");
            break;
        }
        size_t got = 0, n;
        while ((n = std::fread(buffer + got, 1, sizeof buffer - 1 - got, pipe)) > 0) got += n;
        buffer[got] = '\0';
        if (pclose(pipe) != 0 || got != kOutputBytes) state.SkipWithError("wrong output");
        benchmark::DoNotOptimize(buffer);
    }
}

}  // namespace

BENCHMARK(runTrueOurs)->Name("run /bin/true directly/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(runTruePeer)->Name("run /bin/true directly/peer")->Unit(benchmark::kMicrosecond);
BENCHMARK(captureOurs)->Name("capture 1 KiB through the shell/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(capturePeer)->Name("capture 1 KiB through the shell/peer")->Unit(benchmark::kMicrosecond);
