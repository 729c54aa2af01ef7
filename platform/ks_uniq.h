// System library: unique identifier texts.
#ifndef KS_UNIQ_H
#define KS_UNIQ_H

enum { KS_UNIQ_S64_SIZE = 24 };

// Writes 22 characters of URL-safe base64 ('A'-'Z', 'a'-'z', '0'-'9', '-',
// '_') holding 128 random bits from the operating system (on Windows the
// system-preferred generator of BCryptGenRandom), and a NUL, into out
// (KS_UNIQ_S64_SIZE bytes). Returns 0; on failure writes an empty text and
// returns -1, so out always holds a terminated text.
int ks_uniq_s64(char *out);

#endif
