// A command run through the command interpreter, its output kept as one line.
#include <qeb/qebexecute.h>

#include <cstdio>

int main() {
    QebExecute echo;
    echo.setCommand(QebString("echo", true));
    echo.addOption(QebString("hello", true));
    if (!echo.run(true, true, 1)) return std::printf("%s\n", echo.getErrorMessage().asCstr()), 1;
    QebString log = echo.getOutputLog();  // the line break became a blank
    log.trim(false, true);
    std::printf("[%s]\n", log.asCstr());

    QebExecute missing;
    missing.setCommand(QebString("no-such-program-here", true));
    if (!missing.run(false, false, 1)) std::printf("%s\n", missing.getErrorMessage().asCstr());
}
