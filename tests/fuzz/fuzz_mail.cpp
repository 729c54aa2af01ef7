// Mail header encoding, with the input as a header value: the encoded word
// and the encoded body decode back to the value, a value is measured and
// found non-ASCII exactly when it has a byte above 0x7F, and a header line
// holds the value (or its encoded word) unless the value holds a CR or LF,
// which is refused without writing anything.
#include "fuzz_support.h"

#include <qeb/qebemail.h>

#include <fstream>
#include <sstream>

namespace {

// Reaches the composition's protected steps.
class MailProbe : public QebEmail {
public:
    using QebEmail::encodeBody;
    using QebEmail::encodeHeaderValue;
    using QebEmail::scanStr;
    using QebEmail::writeValue;
};

const size_t kLineLength = 76;

// The bytes of base64 text, or false when it is not base64.
bool decodeBase64(const std::string &text, std::string *bytes) {
    static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0) return false;
    bytes->clear();
    for (size_t i = 0; i < text.size(); i += 4) {
        unsigned long group = 0;
        int padding = 0;
        for (size_t j = 0; j < 4; ++j) {
            const size_t value = kAlphabet.find(text[i + j]);
            const bool pad = text[i + j] == '=' && i + 4 == text.size() && j >= 2;
            if (value == std::string::npos && !pad) return false;
            if (pad)
                ++padding;
            else if (padding > 0)
                return false;
            group = group << 6 | (pad ? 0 : value);
        }
        for (int k = 0; k < 3 - padding; ++k) *bytes += char(group >> (16 - 8 * k) & 0xFF);
    }
    return true;
}

void checkEncodings(MailProbe &mail, const std::string &value) {
    const QebString text(value.c_str(), true);
    int nonAscii = -1;
    const int bytes = mail.scanStr(text, &nonAscii);
    const bool high = std::any_of(value.begin(), value.end(), [](char c) { return (c & 0x80) != 0; });
    FUZZ_CHECK(bytes == int(value.size()) && nonAscii == (high ? 1 : 0), "scanStr of %s gives %d, non-ASCII %d",
               escaped(value).c_str(), bytes, nonAscii);

    const std::string word = bytesOf(mail.encodeHeaderValue(text));
    const std::string prefix = "=?UTF-8?B?", suffix = "?=";
    std::string decoded;
    FUZZ_CHECK(word.size() >= prefix.size() + suffix.size() && word.compare(0, prefix.size(), prefix) == 0 &&
                   word.compare(word.size() - suffix.size(), suffix.size(), suffix) == 0 &&
                   decodeBase64(word.substr(prefix.size(), word.size() - prefix.size() - suffix.size()), &decoded) &&
                   decoded == value,
               "%s is encoded as %s", escaped(value).c_str(), escaped(word).c_str());

    const std::string body = bytesOf(mail.encodeBody(text));
    std::string joined;
    for (size_t at = 0; at < body.size();) {
        const size_t end = std::min(body.find("\r\n", at), body.size());
        FUZZ_CHECK(end - at == kLineLength || (end == body.size() && end - at <= kLineLength),
                   "the body of %s has a line of %zu characters", escaped(value).c_str(), end - at);
        joined += body.substr(at, end - at);
        at = end + 2;
    }
    FUZZ_CHECK(decodeBase64(joined, &decoded) && decoded == value, "the body %s does not decode to %s",
               escaped(body).c_str(), escaped(value).c_str());
}

std::string contentsOf(const QebString &path) {
    std::ifstream file(path.asCstr(), std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

void checkHeaderLine(MailProbe &mail, const char *name, const std::string &value) {
    FUZZ_CHECK(mail.initialize(QebString(scratchDirectory().c_str()), QebString("", true)), "no temporary files: %s",
               mail.getErrorMessage().asCstr());
    const QebString text(value.c_str(), true);
    const bool written = mail.writeValue(QebString(name, true), text);
    const bool lineBreak = value.find_first_of("\r\n") != std::string::npos;
    const bool high = std::any_of(value.begin(), value.end(), [](char c) { return (c & 0x80) != 0; });
    const std::string expected =
        lineBreak ? "" : std::string(name) + ": " + (high ? bytesOf(mail.encodeHeaderValue(text)) : value) + "\r\n";
    const std::string contents = contentsOf(mail.getEmailFile());
    FUZZ_CHECK(written == !lineBreak && contents == expected && (written || !mail.getErrorMessage().isNull()),
               "the %s line of %s is %s", name, escaped(value).c_str(), escaped(contents).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const char *name = data[0] % 3 == 0 ? "To" : data[0] % 3 == 1 ? "From" : "Subject";
    const std::string value = std::string(reinterpret_cast<const char *>(data) + 1, size - 1).c_str();
    MailProbe mail;
    checkEncodings(mail, value);
    checkHeaderLine(mail, name, value);
    return 0;
}
