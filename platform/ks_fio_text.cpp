// Text files on the byte-file operations: encodings, byte-order marks and
// line ends (see ks_fio.h).
//
// A reader keeps a block of the file's bytes and a view of the UTF-8 text
// ready to deliver: for UTF-8 files the block itself, checked as its lines
// are scanned, otherwise the block decoded into a second buffer. A writer
// encodes into a block that goes to the file when it fills.
#include "ks_fio.h"

#include "ks_fio_codec.h"
#include "ks_uchar.h"

#include <errno.h>
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <new>

namespace {

using ks_fio_codec::Piece;

constexpr size_t kRawSize = 64 * 1024;
constexpr size_t kDecodedSize = 128 * 1024;
constexpr size_t kOutSize = 64 * 1024;
// Counts and deliveries stay within an int.
constexpr size_t kMaxDelivery = INT_MAX;

struct Mark {
    int encoding;
    size_t length;
    const char *bytes;
};

const Mark kMarks[] = {
    {KS_UCHAR_ENC_UTF8, 3, "\xEF\xBB\xBF"},
    {KS_UCHAR_ENC_UTF16LE, 2, "\xFF\xFE"},
    {KS_UCHAR_ENC_UTF16BE, 2, "\xFE\xFF"},
};

// The mark that [bytes, bytes + size) starts with, or null.
const Mark *markAt(const char *bytes, size_t size) {
    for (const Mark &mark : kMarks) {
        if (size >= mark.length && memcmp(bytes, mark.bytes, mark.length) == 0) return &mark;
    }
    return nullptr;
}

const Mark *markOf(int encoding) {
    for (const Mark &mark : kMarks) {
        if (mark.encoding == encoding) return &mark;
    }
    return nullptr;
}

bool isKnownEncoding(int encoding) {
    switch (encoding) {
    case 0:
    case KS_UCHAR_ENC_UTF8:
    case KS_UCHAR_ENC_ISO8859_1:
    case KS_UCHAR_ENC_WINDOWS1252:
    case KS_UCHAR_ENC_UTF16:
    case KS_UCHAR_ENC_UTF16LE:
    case KS_UCHAR_ENC_UTF16BE: return true;
    }
    return false;
}

// The converter's encoding for an encoding identifier: UTF-16 in the
// machine's order becomes LE or BE.
int codecEncoding(int encoding) {
    if (encoding != KS_UCHAR_ENC_UTF16) return encoding;
    const uint16_t probe = 1;
    return *reinterpret_cast<const uint8_t *>(&probe) == 1 ? KS_UCHAR_ENC_UTF16LE : KS_UCHAR_ENC_UTF16BE;
}

enum Options { kMark = 1, kMarkDecides = 2, kCrLf = 4 };

// The bytes of the first n characters of valid UTF-8 [p, p + size).
size_t bytesOfCharacters(const char *p, size_t size, size_t n) {
    size_t i = 0;
    for (; n > 0 && i < size; --n) {
        const uint8_t lead = (uint8_t)p[i];
        i += lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    }
    return i;
}

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// What a delivery of text gave.
struct Delivery {
    size_t bytes = 0;
    size_t characters = 0;
    bool ended = false;  // the line end was taken
};

struct TextFile {
    ks_fio_handle file = 0;
    int encoding = 0;  // as reported: never 0
    int codec = 0;     // as converted
    int options = 0;
    bool writer = false;
    long long start = 0;  // offset of the first character, after a mark
    int error = 0;

    // Reading. A UTF-8 file's text is the block itself, checked as it is
    // delivered; other encodings are decoded from the block into `decoded`.
    char *raw = nullptr;  // kRawSize bytes
    size_t rawBegin = 0, rawEnd = 0;  // bytes not yet decoded
    char *decoded = nullptr;  // kDecodedSize bytes; null for UTF-8 files
    const char *text = nullptr;
    size_t textPos = 0, textEnd = 0;  // the text ready to deliver
    bool stopped = false;  // bytes not valid in the encoding follow the text
    bool atEnd = false;    // the file has no more bytes
    bool skipLf = false;   // a CR ended the last line; an LF right after belongs to it

    // Writing.
    char *out = nullptr;  // kOutSize bytes
    size_t outUsed = 0;

    ~TextFile() {
        free(raw);
        free(decoded);
        free(out);
    }

    int fail(int code) {
        error = code;
        return -1;
    }

    void resetReading() {
        rawBegin = rawEnd = textPos = textEnd = 0;
        stopped = atEnd = skipLf = false;
    }

    // Moves the bytes [from, to) of the block to its start and reads more of
    // the file after them: 1, or -1 on failure.
    int readMore(size_t &from, size_t &to) {
        memmove(raw, raw + from, to - from);
        to -= from;
        from = 0;
        const int got = ks_fio_getb(file, raw + to, (int)(kRawSize - to));
        if (got < 0) return fail(ks_fio_lasterror());
        if (got == 0) atEnd = true;
        to += (size_t)got;
        return 1;
    }

    // Makes text ready: 1, 0 at the end of the file, -1 on failure (also for
    // invalid bytes, once the text before them is gone).
    int fill() {
        while (textPos == textEnd) {
            if (stopped) return fail(KS_FIO_ERR_ENCODING);
            if (!decoded) {
                if (atEnd) return 0;
                if (readMore(textPos, textEnd) < 0) return -1;
                continue;
            }
            if (rawBegin == rawEnd && atEnd) return 0;
            const Piece piece =
                ks_fio_codec::decode(codec, raw + rawBegin, rawEnd - rawBegin, atEnd, decoded, kDecodedSize);
            rawBegin += piece.consumed;
            textPos = 0;
            textEnd = piece.produced;
            stopped = piece.invalid;
            if (textEnd == 0 && !stopped && readMore(rawBegin, rawEnd) < 0) return -1;
        }
        return 1;
    }

    // fill, also taking the LF of a CR LF split across two calls.
    int ready() {
        for (;;) {
            const int state = fill();
            if (state <= 0 || !skipLf) return state;
            skipLf = false;
            if (text[textPos] != '\n') return 1;
            ++textPos;
        }
    }

    // Takes the line end at the view's position.
    void takeLineEnd() {
        if (text[textPos++] == '\r') {
            if (textPos == textEnd) skipLf = true;
            else if (text[textPos] == '\n') ++textPos;
        }
    }

    // Delivers text into out (null: skips it), at most room bytes and limit
    // characters. acrossLines: line ends are delivered as '\n' and the text
    // goes on; else the delivery stops at the line end, taking it. Returns 0,
    // or -1 when a failure came before anything was delivered (a failure
    // after some text comes with the next call).
    int deliver(char *out, size_t room, size_t limit, bool acrossLines, Delivery *d) {
        using ks_fio_codec::Scan;
        while (d->characters < limit) {
            const int state = ready();
            if (state < 0 && d->bytes == 0) return -1;
            if (state <= 0) break;
            const char *p = text + textPos;
            const size_t available = textEnd - textPos;
            const size_t window = available < room - d->bytes ? available : room - d->bytes;
            const Scan scan = ks_fio_codec::scanLine(p, window);
            size_t taken = scan.offset, characters = scan.characters;
            // The line end may lie just past a full window.
            bool atLineEnd = scan.stop == Scan::kLineEnd ||
                             (scan.stop == Scan::kEnd && window < available && isLineEnd(p[window]));
            if (characters > limit - d->characters) {
                characters = limit - d->characters;
                taken = bytesOfCharacters(p, taken, characters);
                atLineEnd = false;
            }
            if (out) memcpy(out + d->bytes, p, taken);
            d->bytes += taken;
            d->characters += characters;
            textPos += taken;
            if (taken == scan.offset) {  // not cut short by the limit
                const bool viewEnds = window == available;
                if (scan.stop == Scan::kInvalid || (scan.stop == Scan::kCut && viewEnds && atEnd)) {
                    textEnd = textPos;  // what follows is not text
                    stopped = true;
                    continue;
                }
                // Only a UTF-8 block ends inside a character: the rest of it is read.
                if (scan.stop == Scan::kCut && viewEnds && readMore(textPos, textEnd) < 0) {
                    if (d->bytes == 0) return -1;
                    break;
                }
                if (viewEnds && scan.stop != Scan::kLineEnd) continue;
            }
            if (!atLineEnd) {  // the buffer or the limit is reached
                if (d->bytes == 0) return fail(KS_FIO_ERR_BUFFER);
                break;
            }
            if (!acrossLines) {
                takeLineEnd();
                d->ended = true;
                break;
            }
            if (d->characters == limit || d->bytes == room) break;
            takeLineEnd();
            if (out) out[d->bytes] = '\n';
            ++d->bytes;
            ++d->characters;
        }
        return 0;
    }

    int flush() {
        if (outUsed == 0) return 0;
        const int put = ks_fio_putb(file, out, (int)outUsed);
        // What was not written cannot be told apart from what was: dropped.
        outUsed = 0;
        return put < 0 ? fail(ks_fio_lasterror()) : 0;
    }

    int write(const char *bytes, size_t size) {
        const bool crlf = (options & kCrLf) != 0;
        for (size_t done = 0; done < size;) {
            const Piece piece = ks_fio_codec::encode(codec, bytes + done, size - done, crlf, out + outUsed,
                                                     kOutSize - outUsed);
            done += piece.consumed;
            outUsed += piece.produced;
            if (done < size && flush() < 0) return -1;
        }
        return 0;
    }
};

TextFile *fileOf(ks_fio_handle handle) { return reinterpret_cast<TextFile *>((uintptr_t)handle); }

// Reads up to three bytes at the start of a file opened for update.
size_t readStart(ks_fio_handle file, char *bytes) {
    size_t got = 0;
    while (got < 3) {
        const int n = ks_fio_getb(file, bytes + got, (int)(3 - got));
        if (n <= 0) break;
        got += (size_t)n;
    }
    return got;
}

// Chooses the encoding from the request and the file's first bytes; returns
// the mark's length when it is to be skipped, else 0.
size_t chooseEncoding(TextFile &f, int encoding, const char *start, size_t size) {
    const Mark *mark = markAt(start, size);
    if (mark && (encoding == 0 || (f.options & kMarkDecides))) {
        f.encoding = f.codec = mark->encoding;
        return mark->length;
    }
    f.encoding = encoding == 0 ? KS_UCHAR_ENC_UTF8 : encoding;
    f.codec = codecEncoding(f.encoding);
    return mark && (f.options & kMark) && mark->encoding == f.codec ? mark->length : 0;
}

int openReader(TextFile &f, int encoding) {
    f.raw = static_cast<char *>(malloc(kRawSize));
    if (!f.raw) return ENOMEM;
    while (f.rawEnd < 3 && !f.atEnd) {
        if (f.readMore(f.rawBegin, f.rawEnd) < 0) return f.error;
    }
    const size_t markLength = chooseEncoding(f, encoding, f.raw, f.rawEnd);
    f.start = (long long)markLength;
    if (f.codec == KS_UCHAR_ENC_UTF8) {
        f.text = f.raw;
        f.textPos = markLength;
        f.textEnd = f.rawEnd;
        return 0;
    }
    f.rawBegin = markLength;
    f.decoded = static_cast<char *>(malloc(kDecodedSize));
    f.text = f.decoded;
    return f.decoded ? 0 : ENOMEM;
}

int openWriter(TextFile &f, int mode, int encoding) {
    f.writer = true;
    f.out = static_cast<char *>(malloc(kOutSize));
    if (!f.out) return ENOMEM;
    char start[3];
    const size_t size = mode == KS_FIO_MODE_UPDATE ? readStart(f.file, start) : 0;
    chooseEncoding(f, encoding, start, size);
    const Mark *own = markOf(f.codec);
    if (size == 0 && (f.options & kMark) && own) {
        if (ks_fio_putb(f.file, own->bytes, (int)own->length) < 0) return ks_fio_lasterror();
        f.start = (long long)own->length;
    } else if (own && size >= own->length && memcmp(start, own->bytes, own->length) == 0) {
        f.start = (long long)own->length;
    }
    // Only reading the start moved the offset away from where text goes; a
    // pipe, which cannot seek, is written as it stands.
    if (mode != KS_FIO_MODE_UPDATE) return 0;
    return ks_fio_seek64(f.file, f.start, 0) < 0 ? ks_fio_lasterror() : 0;
}

}  // namespace

int ks_fio_text_open(const char *path, int mode, int encoding, int options, ks_fio_handle *handle) {
    if (handle == nullptr) return EINVAL;
    if (mode != KS_FIO_MODE_READ && mode != KS_FIO_MODE_REPLACE && mode != KS_FIO_MODE_UPDATE) return EINVAL;
    if (!isKnownEncoding(encoding) || (encoding != 0 && !ks_fio_codec::isSupported(codecEncoding(encoding))))
        return KS_FIO_ERR_ENCODING;
    TextFile *f = new (std::nothrow) TextFile;
    if (!f) return ENOMEM;
    f->options = options;
    int code = ks_fio_open(path, mode, &f->file);
    if (code == 0) code = mode == KS_FIO_MODE_READ ? openReader(*f, encoding) : openWriter(*f, mode, encoding);
    if (code != 0) {
        ks_fio_close(f->file);
        delete f;
        return code;
    }
    *handle = (ks_fio_handle)(uintptr_t)f;
    return 0;
}

int ks_fio_text_getenc(ks_fio_handle handle) { return handle ? fileOf(handle)->encoding : -1; }

int ks_fio_text_geterr(ks_fio_handle handle) { return handle ? fileOf(handle)->error : EBADF; }

// A reader's file; null, with the failure kept, for a writer.
TextFile *readerOf(ks_fio_handle handle) {
    if (!handle) return nullptr;
    TextFile *f = fileOf(handle);
    if (!f->writer) return f;
    f->fail(EBADF);
    return nullptr;
}

int deliveredCount(const Delivery &d) { return d.characters > kMaxDelivery ? INT_MAX : (int)d.characters; }

int ks_fio_text_readline(ks_fio_handle handle, char *buffer, unsigned int size, int *ended) {
    if (ended) *ended = 0;
    TextFile *f = readerOf(handle);
    if (!f) return -1;
    if (!buffer || size == 0) return f->fail(KS_FIO_ERR_BUFFER);
    Delivery d;
    if (f->deliver(buffer, size - 1, kMaxDelivery, false, &d) < 0) return -1;
    buffer[d.bytes] = '\0';
    if (ended) *ended = d.ended;
    return deliveredCount(d);
}

int ks_fio_text_read(ks_fio_handle handle, int maxChars, char *buffer, unsigned int size) {
    TextFile *f = readerOf(handle);
    if (!f) return -1;
    if (!buffer || size == 0) return f->fail(KS_FIO_ERR_BUFFER);
    Delivery d;
    if (f->deliver(buffer, size - 1, maxChars < 0 ? kMaxDelivery : (size_t)maxChars, true, &d) < 0) return -1;
    buffer[d.bytes] = '\0';
    return deliveredCount(d);
}

int ks_fio_text_skip(ks_fio_handle handle, int n) {
    TextFile *f = readerOf(handle);
    Delivery d;
    if (!f || f->deliver(nullptr, SIZE_MAX, n < 0 ? 0 : (size_t)n, true, &d) < 0) return -1;
    return deliveredCount(d);
}

int ks_fio_text_skipline(ks_fio_handle handle) {
    TextFile *f = readerOf(handle);
    Delivery d;
    if (!f || f->deliver(nullptr, SIZE_MAX, kMaxDelivery, false, &d) < 0) return -1;
    return deliveredCount(d);
}

int ks_fio_text_write(ks_fio_handle handle, const char *text, int bytes) {
    if (!handle) return -1;
    TextFile &f = *fileOf(handle);
    if (!f.writer) return f.fail(EBADF);
    if (!text) return f.fail(EINVAL);
    const size_t size = bytes < 0 ? strlen(text) : (size_t)bytes;
    if (!ks_fio_codec::canEncode(f.codec, text, size)) return f.fail(KS_FIO_ERR_ENCODING);
    if (f.write(text, size) < 0) return -1;
    const size_t count = ks_fio_codec::countCharacters(text, size);
    return count > kMaxDelivery ? INT_MAX : (int)count;
}

int ks_fio_text_writeline(ks_fio_handle handle, const char *text) {
    const int count = ks_fio_text_write(handle, text, -1);
    if (count < 0) return -1;
    return fileOf(handle)->write("\n", 1) < 0 ? -1 : count;
}

int ks_fio_text_rewind(ks_fio_handle handle) {
    if (!handle) return -1;
    TextFile &f = *fileOf(handle);
    if (f.writer && f.flush() < 0) return -1;
    if (ks_fio_seek64(f.file, f.start, 0) < 0) return f.fail(ks_fio_lasterror());
    f.resetReading();
    return 0;
}

int ks_fio_text_unwind(ks_fio_handle handle) {
    if (!handle) return -1;
    TextFile &f = *fileOf(handle);
    if (!f.writer) return f.fail(EBADF);
    if (f.flush() < 0) return -1;
    return ks_fio_seek64(f.file, 0, 2) < 0 ? f.fail(ks_fio_lasterror()) : 0;
}

int ks_fio_text_close(ks_fio_handle handle) {
    if (!handle) return 0;
    TextFile *f = fileOf(handle);
    int code = f->writer && f->flush() < 0 ? f->error : 0;
    const int closed = ks_fio_close(f->file);
    if (code == 0) code = closed;
    delete f;
    return code;
}
