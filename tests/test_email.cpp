// QebEmail: the mail file byte for byte (Python's email package reads it back
// in mail/e2e.py), refused injections, the command's output, and the
// temporary files. Header and body encodings are fuzz_mail's.
#include <qeb/qebemail.h>

#include "process_tests.h"

#include <sys/stat.h>

namespace {

// Reaches the composition, which is protected.
class Mail : public QebEmail {
public:
    using QebEmail::writeEmailTextFile;
};

class Email : public PoolLeakCheck {
protected:
    ScratchDir dir;
};

const std::string kHead = "To: rcpt@example.test\r\nSubject: Report\r\n";
const std::string kMultipart =
    "Content-Type: multipart/mixed; boundary=\"QE_EMAIL_00\"\r\nMIME-version: 1.0\r\n"
    "This is a multi-part message in MIME format.\r\n\r\n";

std::string repeat(const std::string &text, int times) {
    std::string out;
    while (times-- > 0) out += text;
    return out;
}

std::string attachmentHead(const std::string &name) {
    return "--QE_EMAIL_00\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
           "Content-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n";
}

// A mail to rcpt@example.test about "Report", by default with a command
// that only ends.
void address(QebEmail &mail, const ScratchDir &dir, const std::string &command = "exit 0") {
    ASSERT_TRUE(mail.initialize(QebString(dir.path().c_str()), QebString(command.c_str())));
    mail.setTo(QebString("rcpt@example.test"));
    mail.setSubject(QebString("Report"));
}

// Line lengths, transfer encodings and header values as they must be.
TEST_F(Email, TheMailFileByteForByte) {
    writeFile(dir / "empty.bin", "");
    writeFile(dir / "57.bin", std::string(57, '\xFF'));
    writeFile(dir / "58.bin", std::string(58, 'a'));
    const struct {
        const char *from, *subject;
        std::vector<std::string> messages, attachments;
        std::string text;
    } cases[] = {
        {nullptr, "", {}, {}, "To: rcpt@example.test\r\nSubject: \r\n"},  // no parts, no body
        {"me@example.test", "Report", {"line one\nline two"}, {},  // ASCII as it stands
         "To: rcpt@example.test\r\nFrom: me@example.test\r\nSubject: Report\r\n" + kMultipart +
             "--QE_EMAIL_00\r\nContent-Type: text/plain; charset=US-ASCII\r\n"
             "Content-Transfer-Encoding: 7bit\r\n\r\nline one\nline two\r\n--QE_EMAIL_00--\r\n"},
        {nullptr, "Report", {}, {"empty.bin", "57.bin", "58.bin"},  // 57 bytes a line
         kHead + kMultipart + attachmentHead("empty.bin") + attachmentHead("57.bin") + std::string(76, '/') + "\r\n" +
             attachmentHead("58.bin") + repeat("YWFh", 19) + "\r\nYQ==\r\n--QE_EMAIL_00--\r\n"},
    };
    for (const auto &c : cases) {
        Mail mail;
        address(mail, dir);
        mail.setFrom(QebString(c.from));
        mail.setSubject(QebString(c.subject));
        for (const std::string &text : c.messages) mail.addMessage(QebString(text.c_str()));
        for (const std::string &name : c.attachments) mail.addAttachment(QebString((dir / name).c_str()));
        ASSERT_TRUE(mail.writeEmailTextFile());
        EXPECT_EQ(readFile(mail.getEmailFile().asCstr()), c.text);
    }
}

TEST_F(Email, FailuresStopTheCompositionWhereTheyStand) {
    const struct { const char *name; void (*set)(Mail &, const ScratchDir &); std::string file, message; } cases[] = {
        {"no recipient", [](Mail &m, const ScratchDir &) { m.setTo(QebString()); }, "", "The mail has no recipient."},
        {"no subject", [](Mail &m, const ScratchDir &) { m.setFrom(QebString("me@x")); m.setSubject(QebString()); },
         "To: rcpt@example.test\r\nFrom: me@x\r\n", "The mail has no subject."},
        {"a missing attachment",
         [](Mail &m, const ScratchDir &d) {
             m.addMessage(QebString("hi"));
             m.addAttachment(QebString((d / "missing").c_str()));
             m.addMessage(QebString("never"));  // messages come first
         },
         kHead + kMultipart + "--QE_EMAIL_00\r\nContent-Type: text/plain; charset=US-ASCII\r\n"
                              "Content-Transfer-Encoding: 7bit\r\n\r\nhi\r\n--QE_EMAIL_00\r\n"
                              "Content-Type: text/plain; charset=US-ASCII\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
                              "never\r\n",
         "File input or output failed: No such file or directory"},
        // A line break would let a value add headers of its own (fuzz_mail
        // tries every header with every value).
        {"LF in From", [](Mail &m, const ScratchDir &) { m.setFrom(QebString("me@x\nBcc: all@x")); },
         "To: rcpt@example.test\r\n", "Cannot write the mail header From with the value \"me@x\nBcc: all@x\"."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Mail mail;
        address(mail, dir);
        c.set(mail, dir);
        EXPECT_FALSE(mail.writeEmailTextFile());
        EXPECT_EQ(readFile(mail.getEmailFile().asCstr()), c.file);
        EXPECT_EQ(textOf(mail.getErrorMessage()), c.message);
    }
}

TEST_F(Email, TheCommandAndItsOutput) {
    const std::string log = dir / "log", helper = helperCommand();
    const std::string twoLines = helper + " out first out \"  second  \"";
    const struct { std::string command; bool sent; int exitCode; std::string message, logged; } cases[] = {
        {helper + " args %T %T %B >" + log, true, 0, "<null>", "[rcpt@example.test][rcpt@example.test]["},
        {"exit 3", true, 3, "<null>", ""},
        {twoLines, false, 0, "The mail command \"" + twoLines + "\" reported: first   second", ""},
        {helper + " out \"\" out \"\"", false, 0, "<null>", ""},  // blank lines only: no message
        {kKillLine, false, kKilledCode, "The command was aborted with code " + std::to_string(kKilledCode) + ".", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command);
        QebEmail mail;
        address(mail, dir, c.command);
        writeFile(log, "");
        EXPECT_EQ(mail.sendMail(), c.sent);
        EXPECT_EQ(mail.getExitCode(), c.exitCode);
        EXPECT_EQ(textOf(mail.getErrorMessage()), c.message);
        EXPECT_EQ(readFile(log), c.logged.empty() ? "" : c.logged + mail.getEmailFile().asCstr() + "]");
        EXPECT_EQ(readFile(mail.getEmailFile().asCstr()), kHead);
    }
}

TEST_F(Email, TextTheShellWouldInterpretIsNotRun) {
    const std::string marker = dir / "ran";
    const std::string unsafeDir = dir / "a;b";
    ASSERT_TRUE(std::filesystem::create_directory(unsafeDir));
    // Taken as itself by one system's interpreter but not by the other's.
    const std::string notLiteral = kOnWindows ? "%" : "\\";
    const struct { std::string directory, to, why; } cases[] = {
        {dir.path(), "x@y; touch " + marker, "the recipient \"x@y; touch " + marker + "\" holds ';'"},
        {dir.path(), "$(touch " + marker + ")", "the recipient \"$(touch " + marker + ")\" holds '$'"},
        {dir.path(), "a@b\tc", "the recipient \"a@b\tc\" holds '\t'"},
        {dir.path(), "a" + notLiteral + "b", "the recipient \"a" + notLiteral + "b\" holds '" + notLiteral + "'"},
        {unsafeDir, "ok@example.test", "the mail file's path \"" + unsafeDir},
    };
    // The helper ends at once; the marker shows that the line ran.
    const std::string command = helperCommand() + " exit 0 %T %B >" + marker;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.to);
        QebEmail mail;
        ASSERT_TRUE(mail.initialize(QebString(c.directory.c_str()), QebString(command.c_str())));
        mail.setTo(QebString(c.to.c_str()));
        mail.setSubject(QebString("s"));
        EXPECT_FALSE(mail.sendMail());
        const std::string message = textOf(mail.getErrorMessage());
        EXPECT_EQ(message.rfind("Cannot start the command: " + c.why, 0), 0u) << message;
        EXPECT_FALSE(std::filesystem::exists(marker)) << "the command ran";
    }
    // Letters of any script, digits and the listed signs pass.
    const std::string literals = kOnWindows ? "=:/\\" : "=%:/";
    QebEmail mail;
    ASSERT_TRUE(mail.initialize(QebString(dir.path().c_str()), QebString(command.c_str())));
    mail.setTo(QebString(("J\xC3\xBCrgen M. <j.m+x_1@ex-ample.test>, " + literals).c_str()));
    mail.setSubject(QebString("s"));
    EXPECT_FALSE(mail.sendMail());  // '<' and '>' are the interpreter's
    mail.setTo(QebString(("J\xC3\xBCrgen j.m+x_1@ex-ample.test, " + literals).c_str()));
    EXPECT_TRUE(mail.sendMail()) << textOf(mail.getErrorMessage());
    EXPECT_TRUE(mail.sendMail());  // and again
    EXPECT_TRUE(std::filesystem::exists(marker));
    mail.setSubject(QebString());
    EXPECT_FALSE(mail.sendMail());  // a composition that fails runs nothing
}

TEST_F(Email, TemporaryFilesBelongToTheirObject) {
    std::string first;
    {
        QebEmail mail;
        EXPECT_EQ(textOf(mail.getEmailFile()), "");
        ASSERT_TRUE(mail.initialize(QebString(dir.path().c_str()), QebString("exit 0")));
        first = mail.getEmailFile().asCstr();
        // On Windows the access is the owner's alone too, but stat does not show it.
        struct stat info;
        ASSERT_EQ(stat(first.c_str(), &info), 0);
        EXPECT_TRUE(kOnWindows || (info.st_mode & 0777) == 0600);
        EXPECT_EQ(mail.getExitCode(), 0);
        // A second initialize replaces the pair; a copy makes none.
        ASSERT_TRUE(mail.initialize(QebString(dir.path().c_str()), QebString("exit 0")));
        EXPECT_FALSE(std::filesystem::exists(first));
        const QebEmail copy(mail);
        EXPECT_EQ(textOf(copy.getEmailFile()), "");
        QebEmail assigned;
        ASSERT_TRUE(assigned.initialize(QebString(dir.path().c_str()), QebString("exit 0")));
        const std::string assignedFile = assigned.getEmailFile().asCstr();
        assigned = mail;
        EXPECT_FALSE(std::filesystem::exists(assignedFile));
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "temporary files left behind";
    QebEmail mail;
    EXPECT_FALSE(mail.initialize(QebString((dir / "missing").c_str()), QebString("exit 0")));
    EXPECT_EQ(textOf(mail.getErrorMessage()), "Cannot create a temporary file (error 2) in the directory \"" +
                                                  (dir / "missing") + "\": No such file or directory");
    EXPECT_EQ(textOf(mail.getEmailFile()), "");
}

}  // namespace
