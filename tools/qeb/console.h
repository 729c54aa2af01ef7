// What the tool needs of the console on each system.
#ifndef QEB_TOOL_CONSOLE_H
#define QEB_TOOL_CONSOLE_H

// Makes the process's arguments UTF-8, as the library takes them, and its
// standard input and output byte streams, so that output bytes are exactly
// the text's. Replaces *argv when the system hands arguments in another
// form; the replacement lives as long as the process.
void prepareConsole(int *argc, char ***argv);

// A path that opens the process's standard input as a file, or null where
// the system has none (Windows).
const char *standardInputPath();

#endif
