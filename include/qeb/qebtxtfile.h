// QebTxtFile, a text file read and written as UTF-8; QebTxtFileFW, a file of
// fixed-width records read and written as bytes.
//
// Encodings (the `encoding` argument of open) and options (`options`, a sum
// of bits) are those below. A text file converts between the file's
// encoding and UTF-8 and turns every line end it reads (LF, CR LF or a lone
// CR) into one '\n'; counts are characters of the UTF-8 text, a line end
// counting as one. Bytes that are not valid in the file's encoding stop
// reading there; a character the encoding cannot hold is not written.
//
// Failures are reported by results (false, -1, -2 where stated); open and
// the reads that say so also keep a catalogue message, read with
// getErrorMessage(), which later successes do not clear. Nothing throws.
// Copies of an object share one open file and position (the last copy to
// go closes it) but keep their own error message; an object and its copies
// are used by one thread at a time.
//
//   QebTxtFile in;
//   if (in.open("notes.txt", QebTxtFile::Read, qebEncodingAuto, qebTextMarkDecides)) {
//       char line[4096];
//       bool complete;
//       while (in.readln(line, sizeof line, &complete) >= 0) { ... }
//   }
#ifndef QEB_QEBTXTFILE_H
#define QEB_QEBTXTFILE_H

#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

enum qebEncoding {
    // Reading: a byte-order mark chooses UTF-8, UTF-16LE or UTF-16BE, else
    // UTF-8. Writing: UTF-8 (appending: as a mark in the file says).
    qebEncodingAuto = 0,
    qebEncodingUtf8 = 1,
    qebEncodingLatin1 = 2,       // ISO-8859-1
    qebEncodingWindows1252 = 3,
    qebEncodingUtf16 = 8,        // in the machine's byte order
    qebEncodingUtf16LE = 9,
    qebEncodingUtf16BE = 10
};

enum qebTextOption {
    // A byte-order mark: skipped when reading, written when a write opens a
    // new or empty file.
    qebTextByteOrderMark = 1,
    // A byte-order mark in the file decides the encoding over `encoding`
    // (and is skipped).
    qebTextMarkDecides = 2,
    // Line ends are written as CR LF instead of LF.
    qebTextCrLf = 4
};

class QEB_API QebTxtFile {
public:
    enum Mode { Read = 0, Write = 1, Append = 2 };

    // A closed file without a message.
    QebTxtFile();
    QebTxtFile(const QebTxtFile &other);
    QebTxtFile &operator=(const QebTxtFile &other);
    // The last of the copies closes the file.
    virtual ~QebTxtFile();

    // Opens path for reading, for writing from the start (the file is
    // created or emptied) or for appending (created when missing), closing
    // the file open before. False for a mode not of the three (no message),
    // and with a message when the file cannot be opened, the encoding is not
    // one of the list, or the end of the file cannot be reached to append.
    bool open(const char *path, Mode mode, int encoding = qebEncodingAuto, int options = 0);
    // Writes what is still buffered and closes; true when nothing was open.
    // False when the buffered text could not be written (the file is closed
    // all the same).
    bool close();
    // The encoding in use (never qebEncodingAuto); -1 when closed.
    [[nodiscard]] int getencoding() const;

    // Reads as many whole characters as fit in size bytes with a NUL, across
    // lines (each line end as '\n'): the count, 0 at the end, -1 on failure
    // or when closed.
    int read(char *buffer, unsigned int size);
    // Reads the rest of the current line without its line end, as much as
    // fits in size bytes with a NUL: the count; *lineComplete (when given)
    // tells whether the line end was reached. A longer line comes in pieces,
    // the last with *lineComplete true; a last line without a line end has
    // *lineComplete false. -2 at the end of the file; -1 when closed or on
    // failure (with a message: text not valid in the encoding, a buffer too
    // small for one character, or the system's description).
    int readln(char *buffer, unsigned int size, bool *lineComplete = nullptr);
    // Writes the text (each '\n' as the chosen line end); writeln adds a line
    // end. False when closed, not open for writing, or the text cannot be
    // written (not valid UTF-8, or a character the encoding lacks: then
    // nothing of it is written).
    bool write(const char *text);
    bool writeln(const char *text);
    // Skips count characters, or the rest of the line and its line end: the
    // characters skipped (a line's without its line end), -1 on failure or
    // when closed.
    int skip(int count);
    int skipline();
    // Back to the first character; tell() becomes 0. 0, or -1 when closed
    // or when the file cannot go back (a pipe), with nothing changed.
    int rewind();

    // The size in bytes of the file on disk under the path opened; 0 when
    // closed or when it cannot be had.
    [[nodiscard]] long long size() const;
    // The sum of the counts that read, readln, write, writeln, skip and
    // skipline gave since open or rewind (characters, not a byte offset;
    // writeln's line end not counted).
    [[nodiscard]] long long tell() const;
    [[nodiscard]] QebString getErrorMessage() const;

private:
    struct QebTxtFileState;

    QebTxtFileState *mState;
    QebString mErrorMessage;
};

class QEB_API QebTxtFileFW {
public:
    enum Mode { Read = 0, Write = 1, Append = 2 };

    QebTxtFileFW();
    QebTxtFileFW(const QebTxtFileFW &other);
    QebTxtFileFW &operator=(const QebTxtFileFW &other);
    virtual ~QebTxtFileFW();

    // Opens path as bytes: for reading, for writing (the file is created or
    // emptied, then read and written from the start) or for appending
    // (positioned at the end; created when missing). The file's encoding is
    // found as a text file finds it (for encode and decode). With
    // qebTextByteOrderMark or qebTextMarkDecides in options, a byte-order
    // mark at the start (UTF-8, UTF-16BE or UTF-16LE) is skipped when reading
    // or writing, and record 0 starts after it. Bytes pushed back before
    // open are dropped. False (with a message, but none for a bad mode) when
    // the file cannot be opened.
    bool open(const char *path, Mode mode, int encoding = qebEncodingAuto, int options = 0);
    // Closes and drops bytes pushed back; true when nothing was open.
    bool close();
    // The file's encoding found by the last open; -1 when closed.
    [[nodiscard]] int getencoding() const;

    // Reads up to count bytes: first those pushed back (the last pushed
    // first), then from the file. The bytes delivered; 0 at the end (and for
    // count 0); -1 when closed or when the file cannot be read (with a
    // message; bytes already taken from the pushed-back ones count as read).
    int read(char *buffer, unsigned int count);
    // Pushes count bytes back, so that the next read delivers them before
    // anything else; false (nothing changed) when memory runs out.
    bool unread(const char *bytes, unsigned int count);
    // Writes count bytes as they are; false when closed or on failure.
    bool write(const char *bytes, int count);
    // Moves to the start of record `record` of recordLength bytes (after a
    // mark that was skipped); bytes pushed back stay. False when closed or
    // the offset is not valid.
    bool recseek(int record, int recordLength);

    // The file's size in bytes on disk; 0 when closed or when it cannot be
    // had.
    [[nodiscard]] long long size() const;
    // The offset of the next byte read delivers (pushed-back bytes count
    // before the file's offset).
    [[nodiscard]] long long tell() const;

    // Converts text in the file's encoding (NUL-terminated, ending at a 0
    // unit for UTF-16) into UTF-8, or UTF-8 into the file's encoding, as
    // many whole characters as fit in destinationSize bytes with a
    // terminator: the bytes written without the terminator (0 before any
    // open, when the encoding is -1).
    int encode(char *destination, int destinationSize, const char *source) const;
    int decode(char *destination, int destinationSize, const char *source) const;
    [[nodiscard]] QebString getErrorMessage() const;

private:
    struct QebTxtFileFWState;

    QebTxtFileFWState *mState;
    QebString mErrorMessage;
};

#endif
