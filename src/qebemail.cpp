#include <qeb/qebemail.h>
#include <qeb/qebmessage.h>

#include "ks_fio.h"
#include "ks_proc.h"
#include "ks_uchar.h"
#include "qes_b64.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

struct QebEmail::QebEmailList {
    std::vector<QebString> items;
};

namespace {

template <class... Values>
QebString mailMessage(int line, int code, Values... values) {
    return qeb_get_message("src/qebemail", line, "Base Services", code, values...);
}

const char kBoundary[] = "QE_EMAIL_00";
const int kNameSize = 1024;
// Bytes of an attachment per base64 line, and lines encoded at once.
const size_t kLineBytes = 57;
const size_t kBlockBytes = kLineBytes * 1024;
// Enough of a command's output for its message, which holds at most 2047
// bytes.
const unsigned kOutputRead = 4096;

// Bytes of the base64 lines of n bytes, joined by CR LF.
size_t encodedLinesSize(size_t n) {
    if (n == 0) return 0;
    const size_t lines = (n + kLineBytes - 1) / kLineBytes;
    return (n + 2) / 3 * 4 + 2 * (lines - 1);
}

// Writes the base64 lines of [in, in + n), joined by CR LF, and a NUL into
// out (encodedLinesSize(n) + 1 bytes).
void writeEncodedLines(const unsigned char *in, size_t n, char *out) {
    *out = '\0';
    for (size_t done = 0; done < n; done += kLineBytes) {
        if (done > 0) {
            *out++ = '\r';
            *out++ = '\n';
        }
        const size_t bytes = n - done < kLineBytes ? n - done : kLineBytes;
        out += qes_b64_encode(in + done, bytes, out, 77);
    }
}

// The base64 lines of text, or a null string when memory ran out.
QebString encodeLines(const QebString &text) {
    const size_t size = encodedLinesSize(text.cStrSize() - 1);
    char *out = static_cast<char *>(std::malloc(size + 1));
    if (!out) return QebString();
    writeEncodedLines(reinterpret_cast<const unsigned char *>(text.asCstr()), text.cStrSize() - 1, out);
    QebString lines(out);
    std::free(out);
    return lines;
}

bool holdsLineBreak(const QebString &value) { return std::strpbrk(value.asCstr(), "\r\n") != nullptr; }

// The first character of text that the command interpreter would interpret
// (anything but letters, digits and the punctuation it takes as itself), or
// null.
const char *firstUnsafe(const char *text) {
    for (const char *p = text; *p;) {
        int length = 1;
        if (!ks_uchar_isalpha(p, &length) && !ks_uchar_isdigit(p, &length) &&
            (*p & 0x80 || !std::strchr(ks_proc_shell_literals, *p)))
            return p;
        p += length;
    }
    return nullptr;
}

// Why `what` (the recipient or the mail file's path) must not go into the
// command line; null when it may.
QebString refusal(const char *what, const char *text) {
    const char *unsafe = firstUnsafe(text);
    if (!unsafe) return QebString();
    int length = 1;
    ks_uchar_toint(unsafe, &length);
    const std::string character(unsafe, size_t(length));
    return QebString((std::string(what) + " \"" + text + "\" holds '" + character +
                      "', which the command interpreter would interpret").c_str());
}

// The file name for between the quotes of a Content-Disposition line: '"'
// and '\' escaped, control characters as '_'.
std::string quotedName(const char *name) {
    std::string quoted;
    for (const char *p = name; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c < 0x20 || c == 0x7F ? '_' : char(c);
    }
    return quoted;
}

// Fills block with up to size bytes of the file, less only at its end: the
// bytes read, or -1.
long readBlock(ks_fio_handle file, unsigned char *block, size_t size) {
    size_t got = 0;
    while (got < size) {
        const int n = ks_fio_getb(file, block + got, int(size - got));
        if (n < 0) return -1;
        if (n == 0) break;
        got += size_t(n);
    }
    return long(got);
}

}  // namespace

QebEmail::QebEmail()
    : mMessages(new QebEmailList), mAttachments(new QebEmailList), mMailFile(0), mOutputFile(0), mExitCode(0) {
    mMailFileName[0] = '\0';
    mOutputFileName[0] = '\0';
}

QebEmail::QebEmail(const QebEmail &other)
    : mErrorMessage(other.mErrorMessage), mCommand(other.mCommand), mTo(other.mTo), mFrom(other.mFrom),
      mSubject(other.mSubject), mMessages(new QebEmailList(*other.mMessages)),
      mAttachments(new QebEmailList(*other.mAttachments)), mBoundary(other.mBoundary),
      mTempDirectory(other.mTempDirectory), mMailFile(0), mOutputFile(0), mExitCode(other.mExitCode) {
    mMailFileName[0] = '\0';
    mOutputFileName[0] = '\0';
}

QebEmail &QebEmail::operator=(const QebEmail &other) {
    if (this == &other) return *this;
    removeTemporaryFiles();
    mErrorMessage = other.mErrorMessage;
    mCommand = other.mCommand;
    mTo = other.mTo;
    mFrom = other.mFrom;
    mSubject = other.mSubject;
    *mMessages = *other.mMessages;
    *mAttachments = *other.mAttachments;
    mBoundary = other.mBoundary;
    mTempDirectory = other.mTempDirectory;
    mExitCode = other.mExitCode;
    return *this;
}

QebEmail::~QebEmail() {
    removeTemporaryFiles();
    delete mMessages;
    delete mAttachments;
}

void QebEmail::removeTemporaryFiles() {
    ks_fio_close(mMailFile);
    ks_fio_close(mOutputFile);
    mMailFile = mOutputFile = 0;
    for (char *name : {mMailFileName, mOutputFileName}) {
        if (*name) ks_fio_unlink(name);
        *name = '\0';
    }
}

void QebEmail::setTo(QebString to) { mTo = to; }
void QebEmail::setFrom(QebString from) { mFrom = from; }
void QebEmail::setSubject(QebString subject) { mSubject = subject; }
void QebEmail::addMessage(QebString text) { mMessages->items.push_back(text); }
void QebEmail::addAttachment(QebString path) { mAttachments->items.push_back(path); }
void QebEmail::clearMessages() { mMessages->items.clear(); }
void QebEmail::clearAttachments() { mAttachments->items.clear(); }
int QebEmail::getExitCode() const { return mExitCode; }
QebString QebEmail::getEmailFile() const { return QebString(mMailFileName); }
QebString QebEmail::getErrorMessage() const { return mErrorMessage; }

bool QebEmail::initialize(QebString tempDirectory, QebString command) {
    removeTemporaryFiles();
    mTempDirectory = tempDirectory;
    mCommand = command;
    mExitCode = 0;
    mBoundary = QebString(kBoundary, true);
    clearMessages();
    clearAttachments();
    const char *directory = mTempDirectory.asCstr();
    int code = ks_fio_tmpfile(directory, "cmd_email", mMailFileName, kNameSize, &mMailFile);
    if (code == 0) code = ks_fio_tmpfile(directory, "cmd_email", mOutputFileName, kNameSize, &mOutputFile);
    if (code == 0) return true;
    mErrorMessage = mailMessage(__LINE__, 332, code, directory, ks_fio_errdesc(code));
    removeTemporaryFiles();
    return false;
}

bool QebEmail::sendMail() {
    // A mail file closed by an earlier send is opened again, emptied.
    if (mMailFile) {
        ks_fio_seek64(mMailFile, 0, 0);
        ks_fio_trunc(mMailFile);
    } else if (*mMailFileName) {
        const int code = ks_fio_open(mMailFileName, KS_FIO_MODE_REPLACE, &mMailFile);
        if (code != 0) {
            mErrorMessage = mailMessage(__LINE__, 471, ks_fio_errdesc(code));
            return false;
        }
    }
    QebString why;
    if (mCommand.find(QebString("%T", true)) >= 0) why = refusal("the recipient", mTo.asCstr());
    if (why.isNull() && mCommand.find(QebString("%B", true)) >= 0) why = refusal("the mail file's path", mMailFileName);
    if (!why.isNull()) {
        mErrorMessage = mailMessage(__LINE__, 380, why.asCstr());
        return false;
    }
    if (!writeEmailTextFile()) return false;
    const QebString line = mCommand.replace(QebString("%T", true), mTo).replace(QebString("%B", true),
                                                                                QebString(mMailFileName));

    ks_proc_options block = {nullptr, nullptr, mOutputFileName, nullptr};
    ks_proc_handle handle = nullptr;
    if (ks_proc_shellexec(line.asCstr(), KS_PROC_NO_WINDOW | KS_PROC_OUTPUT, &block, &handle) != 0) {
        mErrorMessage = mailMessage(__LINE__, 380, ks_proc_geterr(handle));
        ks_proc_destroy(handle);
        return false;
    }
    int state = 0;
    bool result = false;
    if (ks_proc_wait(handle, 1, &state, &mExitCode) != 0)
        mErrorMessage = mailMessage(__LINE__, 377, ks_proc_geterr(handle));
    else if (state == KS_PROC_KILLED)
        mErrorMessage = mailMessage(__LINE__, 378, mExitCode);
    else
        result = true;
    ks_proc_destroy(handle);

    ks_fio_status status;
    if (ks_fio_stat(mOutputFileName, &status) != 0 || status.size == 0) return result;
    const unsigned size = status.size < kOutputRead ? status.size : kOutputRead;
    char *buffer = static_cast<char *>(std::malloc(size + 1));
    if (!buffer) return false;
    QebString output("", true);
    while (output.cStrSize() <= kOutputRead && ks_fio_gets(mOutputFile, buffer, int(size + 1)) > 0) {
        QebString piece(buffer);
        piece.trim(false, true);
        if (output.cStrSize() > 1) output.append(" ", 1);
        output.append(piece);
    }
    std::free(buffer);
    if (output.cStrSize() > 1) mErrorMessage = mailMessage(__LINE__, 333, line.asCstr(), output.asCstr());
    return false;
}

bool QebEmail::writeEmailTextFile() {
    if (!writeTo() || !writeFrom() || !writeSubject() || !writeBody()) return false;
    ks_fio_close(mMailFile);
    mMailFile = 0;
    if (ks_fio_seek(mOutputFile, 0, 0) == -1) {
        mErrorMessage = mailMessage(__LINE__, 453, mOutputFileName);
        return false;
    }
    if (ks_fio_trunc(mOutputFile) != 0) {
        mErrorMessage = mailMessage(__LINE__, 454, mOutputFileName);
        return false;
    }
    return true;
}

bool QebEmail::writeTo() {
    if (mTo.isNull()) {
        mErrorMessage = mailMessage(__LINE__, 450);
        return false;
    }
    return writeValue(QebString("To", true), mTo);
}

bool QebEmail::writeFrom() { return mFrom.isNull() || writeValue(QebString("From", true), mFrom); }

bool QebEmail::writeSubject() {
    if (mSubject.isNull()) {
        mErrorMessage = mailMessage(__LINE__, 451);
        return false;
    }
    return writeValue(QebString("Subject", true), mSubject);
}

bool QebEmail::writeValue(QebString name, QebString value) {
    // A line break would end the header and let the value add its own.
    if (holdsLineBreak(value)) {
        mErrorMessage = mailMessage(__LINE__, 449, name.asCstr(), value.asCstr());
        return false;
    }
    int nonAscii = 0;
    scanStr(value, &nonAscii);
    const QebString written = nonAscii ? encodeHeaderValue(value) : value;
    if (ks_fio_putm(mMailFile, name.asCstr(), ": ", written.asCstr(), "\r\n", static_cast<const char *>(nullptr)) < 0) {
        mErrorMessage = mailMessage(__LINE__, 449, name.asCstr(), written.asCstr());
        return false;
    }
    return true;
}

int QebEmail::scanStr(QebString text, int *nonAscii) {
    *nonAscii = 0;
    int bytes = 0;
    for (const char *p = text.asCstr(); *p;) {
        int length = 1;
        if (!ks_uchar_isascii(p, &length)) *nonAscii = 1;
        bytes += length;
        p += length;
    }
    return bytes;
}

QebString QebEmail::encodeHeaderValue(QebString value) {
    const size_t bytes = value.cStrSize() - 1;
    const size_t n = qes_b64_encode(value.asCstr(), bytes, nullptr, 0);
    char *buffer = static_cast<char *>(std::malloc(n + 1));
    if (!buffer) {
        mErrorMessage = mailMessage(__LINE__, 444);
        return QebString();
    }
    qes_b64_encode(value.asCstr(), bytes, buffer, n + 1);
    QebString word("=?UTF-8?B?", true);
    word.append(buffer);
    word.append("?=");
    std::free(buffer);
    return word;
}

QebString QebEmail::encodeBody(QebString text) {
    const QebString lines = encodeLines(text);
    if (lines.isNull()) mErrorMessage = mailMessage(__LINE__, 444);
    return lines;
}

bool QebEmail::writeMultipartHeader() {
    if (ks_fio_putm(mMailFile, "Content-Type: multipart/mixed; boundary=\"", mBoundary.asCstr(), "\"\r\n",
                    "MIME-version: 1.0\r\n", "This is a multi-part message in MIME format.\r\n", "\r\n",
                    static_cast<const char *>(nullptr)) < 0) {
        mErrorMessage = mailMessage(__LINE__, 452);
        return false;
    }
    return true;
}

bool QebEmail::writeBoundary(bool last) {
    if (ks_fio_putm(mMailFile, "--", mBoundary.asCstr(), last ? "--\r\n" : "\r\n", static_cast<const char *>(nullptr)) < 0) {
        mErrorMessage = mailMessage(__LINE__, 448);
        return false;
    }
    return true;
}

bool QebEmail::writeMessage(int index) {
    if (index < 0 || size_t(index) >= mMessages->items.size()) {
        mErrorMessage = mailMessage(__LINE__, 452);
        return false;
    }
    const QebString &text = mMessages->items[size_t(index)];
    int nonAscii = 0;
    scanStr(text, &nonAscii);
    const QebString body = nonAscii ? encodeBody(text) : text;
    writeBoundary(false);
    if (ks_fio_putm(mMailFile, "Content-Type: text/plain; charset=", nonAscii ? "UTF-8" : "US-ASCII", "\r\n",
                    "Content-Transfer-Encoding: ", nonAscii ? "base64" : "7bit", "\r\n", "\r\n", body.asCstr(),
                    "\r\n", static_cast<const char *>(nullptr)) < 0) {
        mErrorMessage = mailMessage(__LINE__, 452);
        return false;
    }
    return true;
}

bool QebEmail::writeAttachment(int index) {
    if (index < 0 || size_t(index) >= mAttachments->items.size()) {
        mErrorMessage = mailMessage(__LINE__, 452);
        return false;
    }
    const char *path = mAttachments->items[size_t(index)].asCstr();
    ks_fio_handle file = 0;
    const int code = ks_fio_open(path, KS_FIO_MODE_READ, &file);
    if (code != 0) {
        mErrorMessage = mailMessage(__LINE__, 471, ks_fio_errdesc(code));
        return false;
    }
    writeBoundary(false);
    char name[kNameSize];
    if (ks_fio_pparse(path, nullptr, 0, name, kNameSize) != 0) name[0] = '\0';
    if (ks_fio_putm(mMailFile, "Content-Type: application/octet-stream\r\n", "Content-Transfer-Encoding: base64\r\n",
                    "Content-Disposition: attachment; filename=\"", quotedName(name).c_str(), "\"\r\n", "\r\n",
                    static_cast<const char *>(nullptr)) < 0) {
        mErrorMessage = mailMessage(__LINE__, 452);
        ks_fio_close(file);
        return false;
    }
    // Whole blocks of 57-byte lines at a time: the same lines as one at a
    // time, without a read and a write for each.
    const size_t outSize = encodedLinesSize(kBlockBytes) + 3;
    unsigned char *block = static_cast<unsigned char *>(std::malloc(kBlockBytes + outSize));
    bool written = block != nullptr;
    if (!written) mErrorMessage = mailMessage(__LINE__, 444);
    char *out = reinterpret_cast<char *>(block + kBlockBytes);
    while (written) {
        const long n = readBlock(file, block, kBlockBytes);
        if (n <= 0) {
            if (n < 0) mErrorMessage = mailMessage(__LINE__, 97, "");
            written = n == 0;
            break;
        }
        writeEncodedLines(block, size_t(n), out);
        const size_t length = encodedLinesSize(size_t(n));
        std::memcpy(out + length, "\r\n", 2);
        if (ks_fio_putb(mMailFile, out, int(length + 2)) < 0) {
            mErrorMessage = mailMessage(__LINE__, 452);
            written = false;
        }
    }
    std::free(block);
    ks_fio_close(file);
    return written;
}

bool QebEmail::writeBody() {
    if (mMessages->items.empty() && mAttachments->items.empty()) return true;
    writeMultipartHeader();
    for (size_t i = 0; i < mMessages->items.size(); ++i) writeMessage(int(i));
    for (size_t i = 0; i < mAttachments->items.size(); ++i) {
        if (!writeAttachment(int(i))) return false;
    }
    writeBoundary(true);
    return true;
}
