// QebExecute: runs an external command, waits for it and keeps its output.
//
// The caller sets the command, adds options (arguments) and environment
// entries, and calls run, as often as it likes. A command is started either
// directly, the program searched on PATH and each option one argument as it
// stands, or through the system's command interpreter with one command line
// that run assembles. The command reads its standard input from the null
// device and inherits no other open file. With captured output, its standard
// output and error go into a temporary file, read back after it ended as the
// output log: one line of at most 8191 bytes, each byte of white space a
// blank.
//
// Failures are reported by a false result, a catalogue message
// (getErrorMessage(), domain "Event Plugin") and, for failures of the
// command's process, an English diagnostic in the output log. Neither is
// cleared by a later success. Nothing throws but addOption, addEnvironment
// and assignment (see there). An object is used by one thread at a time.
//
//   QebExecute sort;
//   sort.setCommand(QebString("sort", true));
//   sort.addOption(QebString("/var/data/names.txt", true));
//   if (!sort.run(false, true, 1)) puts(sort.getErrorMessage().asCstr());
//   else puts(sort.getOutputLog().asCstr());
#ifndef QEB_QEBEXECUTE_H
#define QEB_QEBEXECUTE_H

#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

class QEB_API QebExecute {
public:
    // No command, options or environment entries; error message and output
    // log null. When memory for the object's state runs out, the object is
    // inert: the setters do nothing, run fails and the getters give null.
    QebExecute();
    // An object owns its state alone; copies are made by assignment.
    QebExecute(const QebExecute &) = delete;
    // Takes copies of other's command, options, environment entries, error
    // message and output log (an inert other leaves none). Assigning an
    // object to itself changes nothing. Throws std::bad_alloc when memory
    // for the lists runs out, leaving this object as it was.
    QebExecute &operator=(const QebExecute &other);
    ~QebExecute();

    // The program to run; in shell mode the first item of the command line.
    void setCommand(const QebString &command);
    // Appends an option. Throws std::bad_alloc when memory for the list runs
    // out (the list is then unchanged).
    void addOption(const QebString &option);
    // Appends an environment entry "NAME=VALUE" for the command; an entry
    // replaces an inherited one of the same name, and a later entry an
    // earlier one. Throws std::bad_alloc as addOption does.
    void addEnvironment(const QebString &entry);

    // Runs the command and waits for it: true when it was started, its end
    // was obtained, and it was not ended by a signal (on Windows: by an
    // unhandled exception, an exit code of 0xC0000000 or above); its exit
    // status is not looked at.
    //
    // useShell: the command line that the interpreter runs ("/bin/sh -c";
    // on Windows "cmd.exe /d /s /c", which expands %NAME%) is the command,
    // then for each option a blank and the option. The command and each
    // option that contain a blank (" ", not a tab) and do not begin with '"'
    // are put between '"'; nothing else is quoted and nothing is escaped, so
    // the caller owns every character the interpreter sees: never put text
    // from an untrusted source into a command or option run this way.
    // Without useShell the options reach the program unchanged.
    //
    // captureOutput: the output log becomes the command's standard output
    // and error, its first 8191 bytes up to the first NUL, each byte of a
    // white-space character turned into a blank. Output that is empty (or
    // begins with a NUL) leaves the log as it was; output found after a
    // failed wait or a signal replaces that failure's diagnostic.
    //
    // waitMode 1 waits until the command ends; 0 only looks, and fails
    // (killing the command) when it still runs; other modes fail.
    //
    // Failures, each with its catalogue message: memory (29), the temporary
    // file (332), the start (380: the log says "Failed to execute command
    // COMMAND. Error: REASON"), the wait (377: "Failed to get status of
    // command COMMAND. Error: REASON"), a signal that ended the command (378
    // with the signal's number: "Command aborted with error: NUMBER").
    bool run(bool useShell, bool captureOutput, int waitMode);

    // The catalogue message of the last failure; null before the first.
    [[nodiscard]] QebString getErrorMessage() const;
    // The output of the last run that captured some, or the diagnostic of
    // the last failure of a command's process, whichever came later; null
    // before either.
    [[nodiscard]] QebString getOutputLog() const;

private:
    struct QebExecuteState;

    QebExecuteState *mState;
};

#endif
