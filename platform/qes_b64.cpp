#include "qes_b64.h"

#include <stdint.h>
#include <string.h>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of each 12-bit value, so that three bytes take two
// lookups.
struct PairTable {
    char pairs[4096][2];
    PairTable() {
        for (int i = 0; i < 4096; ++i) {
            pairs[i][0] = kAlphabet[i >> 6];
            pairs[i][1] = kAlphabet[i & 63];
        }
    }
};

const PairTable kPairs;

}  // namespace

size_t qes_b64_encode(const void *source, size_t n, char *destination, size_t destinationSize) {
    const size_t length = (n + 2) / 3 * 4;
    if (destination == nullptr || destinationSize <= length) return length;
    const uint8_t *in = static_cast<const uint8_t *>(source);
    char *out = destination;
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const uint32_t bits = (uint32_t)in[i] << 16 | (uint32_t)in[i + 1] << 8 | in[i + 2];
        memcpy(out, kPairs.pairs[bits >> 12], 2);
        memcpy(out + 2, kPairs.pairs[bits & 0xFFF], 2);
        out += 4;
    }
    if (i < n) {
        const bool two = i + 1 < n;
        const uint32_t bits = (uint32_t)in[i] << 16 | (two ? (uint32_t)in[i + 1] << 8 : 0);
        out[0] = kAlphabet[bits >> 18];
        out[1] = kAlphabet[(bits >> 12) & 63];
        out[2] = two ? kAlphabet[(bits >> 6) & 63] : '=';
        out[3] = '=';
        out += 4;
    }
    *out = '\0';
    return length;
}
