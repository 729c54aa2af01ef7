// The text file's work on bytes: conversions between a file's encoding and
// UTF-8, in pieces of a stream (input may end inside a character, which is
// taken up with the next piece; a conversion stops exactly where the bytes
// are not valid), and the scan of UTF-8 text for line ends. Internal to the
// file library.
#ifndef KS_FIO_CODEC_H
#define KS_FIO_CODEC_H

#include <stddef.h>

namespace ks_fio_codec {

// The encodings converted here: KS_UCHAR_ENC_UTF8, _ISO8859_1,
// _WINDOWS1252, _UTF16LE and _UTF16BE (the machine order resolved to one of
// these by the caller).
bool isSupported(int encoding);

struct Piece {
    size_t consumed;  // input bytes taken
    size_t produced;  // output bytes written
    bool invalid;     // stopped at bytes that are not valid in the encoding
};

// The text of a line in UTF-8 [text, text + size), checked as it is
// scanned: where the scan stopped, the characters before that, and why.
struct Scan {
    size_t offset;
    size_t characters;
    enum Stop {
        kEnd,      // at size
        kLineEnd,  // at a '\n' or '\r'
        kInvalid,  // at bytes that are not UTF-8
        kCut       // at a character that the end cuts short
    } stop;
};
Scan scanLine(const char *text, size_t size);

// Converts [in, in + size), text in `encoding` (not UTF-8), into UTF-8 at out,
// stopping before a character that would not fit in `room` bytes.
Piece decode(int encoding, const char *in, size_t size, bool final, char *out, size_t room);

// True when [text, text + size) is valid UTF-8 whose every character
// `encoding` can hold.
bool canEncode(int encoding, const char *text, size_t size);
// Converts valid UTF-8 that canEncode accepted into `encoding`, each '\n'
// as CR LF when crlf, stopping before a character that would not fit in
// `room` bytes.
Piece encode(int encoding, const char *text, size_t size, bool crlf, char *out, size_t room);

// Number of characters in valid UTF-8.
size_t countCharacters(const char *text, size_t size);
}  // namespace ks_fio_codec

#endif
