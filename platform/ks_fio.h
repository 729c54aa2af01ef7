// File library: byte files, text files with encodings, temporary files, file
// status, paths and directory listings.
//
// Paths are NUL-terminated UTF-8. Handles are opaque 64-bit values, 0 for
// none. Results of 0 mean success unless a count is named; error codes are
// positive: the system's error numbers (the description of each is
// ks_fio_errdesc's) and the library's own codes below. Every descriptor the
// library opens is closed in programs the process starts. Offsets and sizes
// are 64-bit. All operations may be called from any thread; one handle is
// used by one thread at a time.
//
// On Windows the error numbers are the C runtime's errno values that the
// system's errors translate to (ENOENT, EACCES, EEXIST, EISDIR, ENOSPC...),
// a path that is not valid UTF-8 fails with EILSEQ (no file can bear its
// name), and other programs may read, write and delete a file while the
// library holds it open, as on POSIX.
#ifndef KS_FIO_H
#define KS_FIO_H

typedef unsigned long long ks_fio_handle;

// The library's own error codes (system error numbers that coincide with
// them are reported as EIO).
enum {
    KS_FIO_ERR_ENCODING = 101,  // encoding not supported, or bytes not valid in it
    KS_FIO_ERR_BUFFER = 102     // the buffer cannot hold even one character
};

// Open modes of ks_fio_open and ks_fio_text_open; any other value is refused
// with EINVAL.
enum {
    KS_FIO_MODE_READ = 9,        // read; the file must exist
    KS_FIO_MODE_UPDATE = 14,     // read and write, created when missing, contents kept
    KS_FIO_MODE_REPLACE = 78,    // write, created when missing, emptied
    KS_FIO_MODE_WRITABLE = 0x82  // ks_fio_open only, with a null handle address:
                                 // 0 when the file exists and can be opened for
                                 // writing (nothing is changed)
};

// A description of an error code: the system's text for a system error
// number, the library's for its own codes. Never null; valid until the same
// thread calls it again.
const char *ks_fio_errdesc(int code);

// ---- Byte files ---------------------------------------------------------

// Opens path in `mode` (KS_FIO_MODE_READ, _UPDATE, _REPLACE or, with a null
// handle, _WRITABLE), positioned at the start. 0 and *handle set, or an
// error code with *handle untouched. A directory fails with EISDIR in the
// modes that write; on Windows in every mode (on POSIX reading one fails at
// the first read).
int ks_fio_open(const char *path, int mode, ks_fio_handle *handle);
// The code of the calling thread's last failed byte-file operation (those
// that return -1).
int ks_fio_lasterror(void);
// Records code as the calling thread's last failure and returns -1: for the
// operations built portably on the system's own.
int ks_fio_fail(int code);
// Reads up to n bytes at the current offset: the count (0 at the end), -1 on
// failure. Reads are not buffered: byte reads, writes and seeks on one handle
// mix freely.
int ks_fio_getb(ks_fio_handle handle, void *buffer, int n);
// Writes n bytes: n, or -1 when not all of them could be written.
int ks_fio_putb(ks_fio_handle handle, const void *buffer, int n);
// Writes the NUL-terminated texts that follow, up to a null pointer, one
// after the other: the bytes written, or -1 on failure.
int ks_fio_putm(ks_fio_handle handle, ...);
// Reads the next line, its '\n' included, at most size - 1 bytes, and a NUL:
// the bytes read (0 at the end of the file), -1 on failure or for size < 2.
// The offset stays just after what was delivered.
int ks_fio_gets(ks_fio_handle handle, char *buffer, int size);
// Moves to offset from origin (0 start, 1 current offset, 2 end): the new
// offset, or -1 on failure. ks_fio_seek fails with EOVERFLOW, the offset
// moved, when the new one does not fit a long (past 2 GiB on Windows).
long ks_fio_seek(ks_fio_handle handle, long offset, int origin);
long long ks_fio_seek64(ks_fio_handle handle, long long offset, int origin);
// Cuts the file at the current offset: 0 or an error code.
int ks_fio_trunc(ks_fio_handle handle);
// Closes the handle (0 does nothing): 0, or an error code when data could not
// be written.
int ks_fio_close(ks_fio_handle handle);

// File status, of the file a path names (symbolic links followed).
typedef struct ks_fio_status {
    unsigned int size;           // bytes, 0xFFFFFFFF when larger
    unsigned long long size64;   // bytes
    unsigned int mtime;          // last change, seconds since 1970-01-01 00:00 UTC;
                                 // 0 when an unsigned 32-bit value cannot hold it
    int type;                    // KS_FIO_TYPE_*
} ks_fio_status;

enum { KS_FIO_TYPE_FILE = 0, KS_FIO_TYPE_DIRECTORY = 1, KS_FIO_TYPE_OTHER = 2 };

// 0 with *status filled, or an error code.
int ks_fio_stat(const char *path, ks_fio_status *status);
int ks_fio_stat64(const char *path, ks_fio_status *status);
// Deletes the file: 0 or an error code. A read-only file is deleted too, as
// POSIX does; on Windows a file another program holds open without letting
// others delete it fails with EACCES.
int ks_fio_unlink(const char *path);

// Creates and opens (KS_FIO_MODE_UPDATE) a new file of a unique name, the
// prefix and six more characters, readable and writable by the owner only,
// in directory (the system's temporary directory when null or empty: TMPDIR
// or /tmp on POSIX, GetTempPathW's on Windows); its path, the directory and
// the prefix joined as ks_fio_pcat joins them, goes into name (nameSize
// bytes). 0, or an error code (ENAMETOOLONG when the path would not fit
// name) with nothing created.
int ks_fio_tmpfile(const char *directory, const char *prefix, char *name, int nameSize,
                   ks_fio_handle *handle);

// ---- Text files ---------------------------------------------------------
//
// A text file is read or written as UTF-8 text; the library converts from
// and to the file's encoding and handles line ends.
//
// encoding: the identifiers of the character library (ks_uchar.h): 1 UTF-8,
//   2 ISO-8859-1, 3 Windows-1252, 8 UTF-16 in the machine's byte order,
//   9 UTF-16LE, 10 UTF-16BE; or 0, automatic: the file's byte-order mark
//   decides between UTF-8, UTF-16LE and UTF-16BE, otherwise UTF-8. Any other
//   value: open fails with KS_FIO_ERR_ENCODING.
// options: bit 0 (1): a byte-order mark: skipped when reading, written when
//   a write mode opens a new or empty file; bit 1 (2): a byte-order mark in
//   the file decides the encoding over `encoding`; bit 2 (4): line ends are
//   written as CR LF (LF otherwise). A mark that decides the encoding (with
//   encoding 0 or bit 1) is skipped too. KS_FIO_MODE_UPDATE (appending) also
//   reads the file's mark to choose its encoding.
// Reading accepts LF, CR LF and a lone CR as line ends and delivers each as
// one '\n'; writing turns each '\n' of the text into the chosen line end.
// Counts are characters of the UTF-8 text delivered or written, a line end
// counting as one; a line's count excludes its line end. Text is delivered
// as whole characters followed by a NUL (a U+0000 in the file is delivered
// as a 0 byte). Bytes that are not valid in the encoding stop reading there
// with KS_FIO_ERR_ENCODING; a character that the encoding cannot hold, or
// text that is not valid UTF-8, is not written and fails the same way.
// Operations that fail return -1 (negative) and keep the code for
// ks_fio_text_geterr.

// Opens path with KS_FIO_MODE_READ, KS_FIO_MODE_REPLACE (write from the
// start) or KS_FIO_MODE_UPDATE (write; ks_fio_text_unwind goes to the end).
// 0 and *handle set, or an error code with *handle untouched.
int ks_fio_text_open(const char *path, int mode, int encoding, int options, ks_fio_handle *handle);
// The encoding in use: never 0 (a detected UTF-16 mark gives 9 or 10).
int ks_fio_text_getenc(ks_fio_handle handle);
// The code of the last failure on the handle, 0 when none.
int ks_fio_text_geterr(ks_fio_handle handle);
// Reads up to maxChars characters (-1: no limit) that fit in size bytes with
// the NUL, across lines: the count, 0 at the end of the file.
int ks_fio_text_read(ks_fio_handle handle, int maxChars, char *buffer, unsigned int size);
// Reads the rest of the current line, as much as fits in size bytes with the
// NUL: the count; *ended is non-zero when the line end was read too (also
// when the text filled the buffer just before it). Count 0 with *ended 0:
// the end of the file.
int ks_fio_text_readline(ks_fio_handle handle, char *buffer, unsigned int size, int *ended);
// Skips n characters (fewer at the end of the file): the count skipped.
int ks_fio_text_skip(ks_fio_handle handle, int n);
// Skips the rest of the current line and its line end: the characters of
// the line skipped, line end excluded.
int ks_fio_text_skipline(ks_fio_handle handle);
// Writes bytes bytes of UTF-8 text (-1: up to its NUL): the characters
// written. Output is buffered; it reaches the file when the buffer fills,
// at ks_fio_text_rewind and at ks_fio_text_close.
int ks_fio_text_write(ks_fio_handle handle, const char *text, int bytes);
// Writes the NUL-terminated text and a line end: the characters of the text.
int ks_fio_text_writeline(ks_fio_handle handle, const char *text);
// Back to the first character (after a byte-order mark): 0 or -1.
int ks_fio_text_rewind(ks_fio_handle handle);
// Moves a handle opened for writing to the end of the file, for appending:
// 0 or -1.
int ks_fio_text_unwind(ks_fio_handle handle);
// Writes what is buffered and closes: 0, or the code of a failure to write.
int ks_fio_text_close(ks_fio_handle handle);

// ---- Paths ----------------------------------------------------------------
//
// Separators: '/' on POSIX; '\\' and '/' on Windows, where joining writes
// '\\'. A root keeps its separator: "/", and on Windows "\\" and a drive's
// "C:\\" too ("C:x", relative to the drive's current directory, is all
// name). Both functions write NUL-terminated texts and return 0; EINVAL for
// a null text; ENAMETOOLONG (the buffers that have room left empty) when a
// part and its NUL do not fit its buffer.

// The system's path syntax, defined with its byte files.
typedef struct ks_fio_path_syntax {
    const char *separators;  // every separator; joining writes the first
    int driveRoots;          // a drive letter and ':' before a leading separator are part of the root
} ks_fio_path_syntax;
extern const ks_fio_path_syntax ks_fio_syntax;

// first, a separator unless first is empty or already ends with one, then
// second.
int ks_fio_pcat(const char *first, const char *second, char *out, int outSize);
// Splits path at its last separator: the directory part (without trailing
// separators, but whole for a root) and the name part after it. "/x" gives
// "/" and "x", "x" gives "" and "x", "d/" gives "d" and "". Either buffer may
// be null with size 0 when that part is not wanted.
int ks_fio_pparse(const char *path, char *directory, int directorySize, char *name, int nameSize);

// ---- Directory listings ---------------------------------------------------

typedef struct ks_dir *ks_dir_handle;

// Listing mode bits of ks_dir_open.
enum {
    KS_DIR_FILES = 1,        // entries that are not directories
    KS_DIR_DIRECTORIES = 2,  // directories
    KS_DIR_HIDDEN = 4,       // entries whose names begin with '.'
    KS_DIR_RECURSIVE = 16    // the entries of subdirectories too, depth first
};

// Bytes of a path buffer that holds any path a listing gives, NUL included.
extern const int ks_dir_pathlen;

// Opens the listing of the directory path. '.' and '..' are never listed.
// With KS_DIR_RECURSIVE each subdirectory's entries follow the subdirectory's
// own (whether it is listed or not); a hidden subdirectory is entered only
// with KS_DIR_HIDDEN; symbolic links (on Windows junctions too) are listed
// by their target's type but never entered. 0 and *handle set; else 2 the
// directory does not exist, 3 it is not a directory, 4 permission denied,
// another positive code for any other failure.
int ks_dir_open(const char *path, int mode, ks_dir_handle *handle);
// The next entry: its full path (the directory's path, a separator unless
// that ends with one, the path below it; joined with the separator joining
// writes) into path (pathSize bytes, NUL included)
// and its status into *status (size, modification time, type). 0, or
// non-zero at the end of the listing (EINVAL for a bad argument), with path
// and *status untouched. Entries that vanish while listed, whose status
// cannot be read or whose path would not fit pathSize or ks_dir_pathlen
// bytes are passed over, and so are the entries of subdirectories that
// cannot be opened.
int ks_dir_next_stat(ks_dir_handle handle, char *path, int pathSize, ks_fio_status *status);
// Closes the listing (null does nothing).
void ks_dir_close(ks_dir_handle handle);

#endif
