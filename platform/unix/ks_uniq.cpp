#include "ks_uniq.h"

#include <cerrno>
#include <cstdint>
#include <sys/random.h>

namespace {

bool randomBytes(unsigned char *out, size_t size) {
    while (size > 0) {
        const ssize_t got = getrandom(out, size, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        out += got;
        size -= size_t(got);
    }
    return true;
}

}  // namespace

int ks_uniq_s64(char *out) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    unsigned char bits[16];
    if (!randomBytes(bits, sizeof bits)) {
        out[0] = '\0';
        return -1;
    }
    // 128 bits make 21 whole sextets and 2 bits left over for the 22nd.
    int written = 0;
    uint32_t buffer = 0;
    int held = 0;
    for (unsigned char byte : bits) {
        buffer = (buffer << 8) | byte;
        held += 8;
        while (held >= 6) {
            held -= 6;
            out[written++] = kAlphabet[(buffer >> held) & 63];
        }
    }
    out[written++] = kAlphabet[(buffer << (6 - held)) & 63];
    out[written] = '\0';
    return 0;
}
