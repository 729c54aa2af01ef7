// System library on Windows: identifiers from the system's preferred random
// number generator.
#include "ks_uniq.h"

#include "qes_b64.h"

#include <windows.h>

#include <bcrypt.h>

int ks_uniq_s64(char *out) {
    unsigned char bits[16];
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bits, sizeof bits, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        out[0] = '\0';
        return -1;
    }
    // 128 bits are 22 base64 characters and "=="; the URL-safe alphabet
    // differs in two characters and drops the padding.
    char text[25];
    qes_b64_encode(bits, sizeof bits, text, sizeof text);
    for (int i = 0; i < 22; ++i) out[i] = text[i] == '+' ? '-' : text[i] == '/' ? '_' : text[i];
    out[22] = '\0';
    return 0;
}
