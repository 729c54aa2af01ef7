// Composing a mail with a 10 MiB attachment against base64-encoding the same
// bytes alone: read from the file, encoded in one piece and written to a new
// file, which is then removed, as the mail's temporary file is.
#include <qeb/qebemail.h>

#include "qes_b64.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr size_t kAttachment = 10u * 1024 * 1024;

std::string randomBytes() {
    std::mt19937 random(11);
    std::string bytes(kAttachment, '\0');
    for (char &c : bytes) c = char(random());
    return bytes;
}

struct Attachment {
    std::string directory, path, bytes = randomBytes();
    Attachment() {
        const char *tmp = std::getenv("TMPDIR");
        directory = tmp && *tmp ? tmp : "/tmp";
        path = directory + "/qeb-bench-attachment-" + std::to_string(getpid());
        FILE *out = std::fopen(path.c_str(), "wb");
        if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) std::abort();
        std::fclose(out);
    }
    ~Attachment() { std::remove(path.c_str()); }
};

const Attachment &attachment() {
    static const Attachment file;
    return file;
}

// Reaches the composition, which is protected.
class Mail : public QebEmail {
public:
    using QebEmail::writeEmailTextFile;
};

void composeOurs(benchmark::State &state) {
    const Attachment &file = attachment();
    for (auto _ : state) {
        Mail mail;
        mail.initialize(QebString(file.directory.c_str()), QebString("true"));
        mail.setTo(QebString("rcpt@example.test"));
        mail.setSubject(QebString("Report"));
        mail.addAttachment(QebString(file.path.c_str()));
        if (!mail.writeEmailTextFile()) state.SkipWithError("composition failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kAttachment));
}

void encodePeer(benchmark::State &state) {
    const Attachment &file = attachment();
    std::vector<char> in(kAttachment), out(qes_b64_encode(nullptr, kAttachment, nullptr, 0) + 1);
    const std::string encoded = file.path + ".b64";
    for (auto _ : state) {
        FILE *source = std::fopen(file.path.c_str(), "rb");
        const size_t got = std::fread(in.data(), 1, in.size(), source);
        std::fclose(source);
        const size_t length = qes_b64_encode(in.data(), got, out.data(), out.size());
        FILE *target = std::fopen(encoded.c_str(), "wb");
        std::fwrite(out.data(), 1, length, target);
        std::fclose(target);
        std::remove(encoded.c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kAttachment));
}

}  // namespace

BENCHMARK(composeOurs)->Name("mail with a 10 MiB attachment/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(encodePeer)->Name("mail with a 10 MiB attachment/peer")->Unit(benchmark::kMillisecond);
