// The subcommands of the qeb tool. Each returns the process exit code:
// 0 success, 1 a failure of the work itself, 2 a usage error.
#ifndef QEB_TOOL_COMMANDS_H
#define QEB_TOOL_COMMANDS_H

#include <cstdio>

struct Command {
    const char *name;
    const char *arguments;
    const char *summary;
    int (*run)(int argc, char **argv);  // argv[0] is the subcommand's name
};

int runUuid(int argc, char **argv);
int runReplace(int argc, char **argv);
int runCalc(int argc, char **argv);
int runDetect(int argc, char **argv);
int runLs(int argc, char **argv);
int runCat(int argc, char **argv);
int runRun(int argc, char **argv);
int runMail(int argc, char **argv);

// Prints "qeb NAME: message" and the subcommand's usage; returns 2.
int usageError(const char *name, const char *message);
// Opens FILE for reading, or standard input for no path or "-"; null, with
// the failure reported, when it cannot be opened.
FILE *openInput(const char *path);
// Closes what openInput gave; false, with the failure reported, when reading
// it failed.
bool closeInput(FILE *in);

// Prints "qeb: message" (with the system's reason when given); returns 1.
int failure(const char *message, const char *reason = nullptr);

#endif
