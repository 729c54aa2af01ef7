// A program that the process tests start in place of the system's own
// commands, which differ by system. It carries out its arguments as steps,
// in order, and ends with exit status 0 after the last:
//   out TEXT   TEXT and a line end on standard output
//   err TEXT   the same on standard error
//   env NAME   the variable's value (or "<unset>") and a line end
//   file PATH  the file's bytes as they stand
//   sleep N    waits N seconds
//   exit N     ends with exit status N
//   args ...   each further argument between brackets
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

// Makes standard output and error write bytes as they stand (Windows would
// turn "\n" into "\r\n").
void useBinaryOutput();

namespace {

void write(std::FILE *stream, const std::string &bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);  // output and error keep their order in one file
}

std::string fileBytes(const char *path) {
    std::string bytes;
    if (std::FILE *file = std::fopen(path, "rb")) {
        char block[4096];
        for (size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, n);
        std::fclose(file);
    }
    return bytes;
}

}  // namespace

int main(int argc, char **argv) {
    useBinaryOutput();
    for (int i = 1; i < argc; i += 2) {
        const std::string step = argv[i];
        if (step == "args") {
            for (int j = i + 1; j < argc; ++j) write(stdout, "[" + std::string(argv[j]) + "]");
            break;
        }
        if (i + 1 == argc) return std::fprintf(stderr, "%s: no value\n", argv[i]), 2;
        const char *value = argv[i + 1];
        if (step == "out" || step == "err") {
            write(step == "out" ? stdout : stderr, value + std::string("\n"));
        } else if (step == "env") {
            const char *variable = std::getenv(value);
            write(stdout, (variable ? variable : "<unset>") + std::string("\n"));
        } else if (step == "file") {
            write(stdout, fileBytes(value));
        } else if (step == "sleep") {
            std::this_thread::sleep_for(std::chrono::seconds(std::atoi(value)));
        } else if (step == "exit") {
            return std::atoi(value);
        } else {
            return std::fprintf(stderr, "%s: no such step\n", argv[i]), 2;
        }
    }
    return 0;
}
