// QebEmail: composes a MIME mail into a temporary file and hands it to an
// external mail command.
//
// initialize names a directory for the two temporary files (the mail text
// file and the command's output) and a command template in which "%T"
// stands for the recipient and "%B" for the mail file's path. sendMail
// writes the mail (To, From and Subject headers, non-ASCII values as one
// UTF-8 encoded word; a multipart/mixed body with a text part per message
// and a base64 part per attachment), runs the template through the command
// interpreter with its output captured, and succeeds when the command ended
// normally and wrote nothing. Failures are reported by false and a
// catalogue message (getErrorMessage).
//
// Hostile text cannot reach the mail or the command line: a header value
// holding a CR or LF is refused (it would add headers), and so are a
// recipient or mail file path that the template uses and that hold a
// character the command interpreter would interpret (anything but letters,
// digits, blanks and @ . _ + - , = % : /). The temporary files are readable
// by their owner only and are deleted by the object that made them.
//
//   QebEmail mail;
//   mail.initialize(QebString(""), QebString("msmtp --host=mail.example --from=me@example %T < %B"));
//   mail.setTo(QebString("you@example"));
//   mail.setSubject(QebString("Report"));
//   mail.addMessage(QebString("Attached."));
//   mail.addAttachment(QebString("/var/reports/today.pdf"));
//   if (!mail.sendMail()) puts(mail.getErrorMessage().asCstr());
//
// The list operations throw std::bad_alloc when memory runs out; nothing
// else throws. An object is used by one thread at a time.
#ifndef QEB_QEBEMAIL_H
#define QEB_QEBEMAIL_H

#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

class QEB_API QebEmail {
public:
    // No temporary files, no values, exit code 0.
    QebEmail();
    // A copy takes the values, the template, the directory, the exit code,
    // the error message and copies of both lists; it has no temporary files
    // until its own initialize.
    QebEmail(const QebEmail &other);
    // As the copy; the target's own temporary files are closed and deleted
    // first.
    QebEmail &operator=(const QebEmail &other);
    // Closes and deletes the temporary files.
    ~QebEmail();

    // The header values; a null To or Subject stops the composition, a null
    // From writes no From line.
    void setTo(QebString to);
    void setFrom(QebString from);
    void setSubject(QebString subject);
    // A text part per message, a base64 part per attachment path, in order.
    void addMessage(QebString text);
    void addAttachment(QebString path);
    void clearMessages();
    void clearAttachments();

    // Stores the directory (the system's temporary directory when empty or
    // null) and the template, empties both lists (the header values stay),
    // and creates the two temporary files, closing and deleting those of an
    // earlier initialize. False with message 332 when a file cannot be made
    // (then neither is left).
    bool initialize(QebString tempDirectory, QebString command);
    // Composes the mail into the mail file and runs the template with "%T"
    // and "%B" replaced. True when the command was started, ended normally
    // (whatever its exit code) and wrote nothing. False with a message when
    // the composition fails, the line is refused, the command cannot be
    // started, its end cannot be obtained (377), a signal ended it (378) or
    // it wrote lines (333: the line as run and its output, blank lines
    // dropped and trailing white space cut, joined by blanks; output of
    // blank lines only gives false and no new message). May be called again
    // to send anew.
    bool sendMail();
    // The exit code of the last command.
    [[nodiscard]] int getExitCode() const;
    // The mail file's path; empty before initialize.
    [[nodiscard]] QebString getEmailFile() const;
    [[nodiscard]] QebString getErrorMessage() const;

protected:
    // The composition, each false with a message on failure. The whole mail
    // file, then the output file emptied for the command.
    bool writeEmailTextFile();
    bool writeTo();
    // True without writing when From is null.
    bool writeFrom();
    bool writeSubject();
    // "name: value" and CR LF; a non-ASCII value as one encoded word. A value
    // holding a CR or LF is refused (449).
    bool writeValue(QebString name, QebString value);
    // The text's length in bytes; *nonAscii 1 when a character is not ASCII,
    // else 0.
    int scanStr(QebString text, int *nonAscii);
    // "=?UTF-8?B?" base64 "?=" of the whole value.
    [[nodiscard]] QebString encodeHeaderValue(QebString value);
    // The text's bytes in base64, in lines of 76 characters joined by CR LF.
    [[nodiscard]] QebString encodeBody(QebString text);
    bool writeMultipartHeader();
    // "--" boundary, "--" when last, CR LF.
    bool writeBoundary(bool last);
    bool writeMessage(int index);
    bool writeAttachment(int index);
    // Everything after the Subject line; nothing without parts.
    bool writeBody();

private:
    struct QebEmailList;

    void removeTemporaryFiles();

    QebString mErrorMessage;
    QebString mCommand;
    QebString mTo;
    QebString mFrom;
    QebString mSubject;
    QebEmailList *mMessages;
    QebEmailList *mAttachments;
    QebString mBoundary;
    QebString mTempDirectory;
    char mMailFileName[1024];
    char mOutputFileName[1024];
    unsigned long long mMailFile;
    unsigned long long mOutputFile;
    int mExitCode;
};

#endif
