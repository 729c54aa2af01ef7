// qeb: command-line front end to the qeb library.
#include "commands.h"
#include "console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const Command kCommands[] = {
    {"uuid", "[N]", "print N unique identifiers (default 1)", runUuid},
    {"replace", "FROM TO [FILE]",
     "copy FILE (or standard input) to standard output, replacing FROM by TO line by line",
     runReplace},
    {"calc", "[--width N] EXPR...", "evaluate an expression with 52-digit decimal numbers", runCalc},
    {"detect", "[--delimiter C] [--header] [--date-order MDY|DMY|YMD] [--encoding NAME] [FILE]",
     "report the kind of value each column of delimited text holds", runDetect},
    {"ls", "[--dirs] [--recursive] [--all] DIR",
     "list the files (and directories) of DIR with their kind, time stamp and read-only mark", runLs},
    {"cat", "[--encoding NAME] FILE",
     "write a text file as UTF-8; NAME: auto (a byte-order mark decides, else UTF-8), UTF-8, "
     "UTF-16LE, UTF-16BE, ISO-8859-1, windows-1252",
     runCat},
    {"run", "[--shell] [--capture] [--env NAME=VALUE]... -- COMMAND [ARG...]",
     "run a command and print its output log (with --capture)", runRun},
    {"mail", "--to ADDR --subject TEXT [--from ADDR] [--message TEXT]... [--attach FILE]... "
             "--command TEMPLATE [--tmp DIR] [--keep-file]",
     "compose a MIME mail and hand it to a mail command (%T: recipient, %B: mail file)", runMail},
};

const Command *findCommand(const char *name) {
    for (const Command &command : kCommands)
        if (std::strcmp(command.name, name) == 0) return &command;
    return nullptr;
}

void printHelp(FILE *out) {
    std::fprintf(out, "usage: qeb COMMAND [ARGUMENTS]\n       qeb --help | --version\n\ncommands:\n");
    for (const Command &command : kCommands)
        std::fprintf(out, "  %s %s\n      %s\n", command.name, command.arguments, command.summary);
}

}  // namespace

int usageError(const char *name, const char *message) {
    const Command *command = findCommand(name);
    std::fprintf(stderr, "qeb %s: %s\n", name, message);
    if (command) std::fprintf(stderr, "usage: qeb %s %s\n", command->name, command->arguments);
    return 2;
}

int failure(const char *message, const char *reason) {
    if (reason)
        std::fprintf(stderr, "qeb: %s: %s\n", message, reason);
    else
        std::fprintf(stderr, "qeb: %s\n", message);
    return 1;
}

FILE *openInput(const char *path) {
    if (!path || std::strcmp(path, "-") == 0) return stdin;
    FILE *in = std::fopen(path, "rb");
    if (!in) failure(("cannot open " + std::string(path)).c_str(), std::strerror(errno));
    return in;
}

bool closeInput(FILE *in) {
    const bool readError = std::ferror(in) != 0;
    if (in != stdin) std::fclose(in);
    if (readError) failure("cannot read the input");
    return !readError;
}

int main(int argc, char **argv) {
    prepareConsole(&argc, &argv);
    if (argc < 2) {
        printHelp(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printHelp(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("qeb %s\n", QEB_VERSION);
        return 0;
    }
    const Command *command = findCommand(argv[1]);
    if (!command) {
        std::fprintf(stderr, "qeb: unknown command '%s'\n", argv[1]);
        printHelp(stderr);
        return 2;
    }
    return command->run(argc - 1, argv + 1);
}
