#include "calc_expression.h"
#include "commands.h"

#include <qeb/qebstring.h>

#include <cstdio>
#include <cstring>
#include <string>

int runCalc(int argc, char **argv) {
    int first = 1, width = -1;
    if (argc > 1 && std::strcmp(argv[1], "--width") == 0) {
        if (argc < 3) return usageError("calc", "--width needs a number");
        bool failed = false;
        width = QebString(argv[2], true).asInt(&failed);
        if (failed || width < 1) return usageError("calc", "N must be a positive whole number");
        first = 3;
    }
    if (first >= argc) return usageError("calc", "expects an expression");
    // The arguments form one expression, so that `qeb calc 1 + 2` works.
    std::string expression;
    for (int i = first; i < argc; ++i) expression += std::string(i > first ? " " : "") + argv[i];

    CalcResult result = evaluateExpression(expression);
    if (!result.error.empty()) return failure(result.error.c_str());
    const QebString text = width < 0 ? result.value.asString() : result.value.asString(width);
    if (text.isNull()) return failure(("the result does not fit in " + std::to_string(width) + " characters").c_str());
    std::printf("%s%s\n", text.asCstr(), result.rounded ? " (rounded)" : "");
    return 0;
}
