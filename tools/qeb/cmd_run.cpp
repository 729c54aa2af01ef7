// qeb run: runs a command, directly or through the command interpreter, and
// prints its output log.
#include "commands.h"

#include <qeb/qebexecute.h>

#include <cstdio>
#include <cstring>
#include <string>

int runRun(int argc, char **argv) {
    bool useShell = false, capture = false;
    QebExecute command;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "--shell") {
            useShell = true;
        } else if (arg == "--capture") {
            capture = true;
        } else if (arg == "--env") {
            if (++i == argc || !std::strchr(argv[i], '=')) return usageError("run", "--env expects NAME=VALUE");
            command.addEnvironment(QebString(argv[i], true));
        } else {
            return usageError("run", ("unknown option " + arg).c_str());
        }
    }
    if (i == argc) return usageError("run", "expects a COMMAND");
    command.setCommand(QebString(argv[i], true));
    while (++i < argc) command.addOption(QebString(argv[i], true));

    const bool ran = command.run(useShell, capture, 1);
    if (capture) std::printf("%s\n", command.getOutputLog().asCstr());
    return ran ? 0 : failure(command.getErrorMessage().asCstr());
}
