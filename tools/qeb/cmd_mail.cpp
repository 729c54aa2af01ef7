// qeb mail: composes a mail and hands it to a mail command.
#include "commands.h"

#include <qeb/qebemail.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// The composed mail outlives the object that made it as a copy beside it.
void keepMailFile(const QebEmail &mail) {
    const std::string path = mail.getEmailFile().asCstr();
    const std::string kept = path + ".eml";
    std::error_code error;
    std::filesystem::copy_file(path, kept, std::filesystem::copy_options::overwrite_existing, error);
    if (error) failure(("cannot keep the mail file " + path).c_str(), error.message().c_str());
    else std::printf("%s\n", kept.c_str());
}

}  // namespace

int runMail(int argc, char **argv) {
    const char *to = nullptr, *subject = nullptr, *from = nullptr, *command = nullptr, *tmp = "";
    std::vector<const char *> messages, attachments;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--keep-file") keep = true;
        else if (arg == "--to" && hasValue) to = argv[++i];
        else if (arg == "--subject" && hasValue) subject = argv[++i];
        else if (arg == "--from" && hasValue) from = argv[++i];
        else if (arg == "--command" && hasValue) command = argv[++i];
        else if (arg == "--tmp" && hasValue) tmp = argv[++i];
        else if (arg == "--message" && hasValue) messages.push_back(argv[++i]);
        else if (arg == "--attach" && hasValue) attachments.push_back(argv[++i]);
        else return usageError("mail", ("unexpected argument " + arg).c_str());
    }
    if (!to || !subject || !command) return usageError("mail", "--to, --subject and --command are needed");

    QebEmail mail;
    if (!mail.initialize(QebString(tmp), QebString(command))) return failure(mail.getErrorMessage().asCstr());
    mail.setTo(QebString(to));
    mail.setSubject(QebString(subject));
    if (from) mail.setFrom(QebString(from));
    for (const char *text : messages) mail.addMessage(QebString(text));
    for (const char *path : attachments) mail.addAttachment(QebString(path));
    const bool sent = mail.sendMail();
    if (keep) keepMailFile(mail);
    if (sent) return 0;
    const QebString message = mail.getErrorMessage();
    return failure(message.isNull() ? "the mail command wrote blank lines" : message.asCstr());
}
