#include "commands.h"

#include <qeb/qebstring.h>

#include <cstdio>

int runUuid(int argc, char **argv) {
    if (argc > 2) return usageError("uuid", "too many arguments");
    int count = 1;
    if (argc == 2) {
        bool failed = false;
        count = QebString(argv[1], true).asInt(&failed);
        if (failed || count < 1) return usageError("uuid", "N must be a positive whole number");
    }
    for (int i = 0; i < count; ++i) {
        QebString id = qebGetUUID();
        if (id.length() == 0) return failure("the system gave no random bits");
        std::printf("%s\n", id.asCstr());
    }
    return 0;
}
