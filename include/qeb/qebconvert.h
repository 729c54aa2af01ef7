// Wide text: UTF-16 code units (called UCS-2 here) to and from UTF-8.
//
// Every conversion replaces an ill-formed UTF-8 sequence (one per maximal
// subpart, as QebString counts characters) and an unpaired surrogate by
// U+FFFD and carries on. Buffers come from QebMemPool; each object owns its
// own. The two classes cannot be copied: a copy could not report running out
// of memory, and they are handed around by pointer (see QebString::asUCS2).
// Nothing throws.
//
//   QeUtf8ToUC *wide = text.asUCS2();      // wide->ucString(): UTF-16, 0-terminated
//   ...
//   wide->release();
#ifndef QEB_QEBCONVERT_H
#define QEB_QEBCONVERT_H

#include <qeb/qebexport.h>

// Wide text in, UTF-8 out: set(n), fill up to n units through getUCBuffer(),
// then read utf8String().
class QEB_API QeUCToUtf8 {
public:
    QeUCToUtf8();
    ~QeUCToUtf8();
    QeUCToUtf8(const QeUCToUtf8 &) = delete;
    QeUCToUtf8 &operator=(const QeUCToUtf8 &) = delete;

    // Drops both buffers, then for n > 0 takes a wide buffer of n units plus a
    // 0 terminator, all units 0. bufLength() becomes n (0 when n <= 0). False
    // only when that buffer cannot be had; the object is then empty.
    bool set(int n);
    // The wide buffer (null when empty): the caller writes up to n units.
    [[nodiscard]] unsigned short *getUCBuffer() const;
    // The n of the last set, without the terminator.
    [[nodiscard]] int bufLength() const;
    // The UTF-8 form of the wide text up to its first 0 unit, made on the
    // first call; later calls return the same text even if the wide buffer
    // changed meanwhile (until the next set). Null when the object is empty
    // or memory ran out.
    [[nodiscard]] char *utf8String();
    // set(0), then deletes the object: only for objects made with new.
    void release();

private:
    unsigned short *mUCBuffer;
    char *mUtf8String;
    int mBufLength;
};

// UTF-8 in, wide text out.
class QEB_API QeUtf8ToUC {
public:
    QeUtf8ToUC();
    ~QeUtf8ToUC();
    QeUtf8ToUC(const QeUtf8ToUC &) = delete;
    QeUtf8ToUC &operator=(const QeUtf8ToUC &) = delete;

    // Replaces the wide text with the UTF-16 form of the NUL-terminated text.
    // A null text leaves the object empty (bufLength() 0, null ucString()).
    // False when memory ran out; the object is then empty, too.
    bool set(const char *text);
    // The 0-terminated wide text; null when empty.
    [[nodiscard]] unsigned short *ucString() const;
    // Units of the wide text, its terminator included ("hé" gives 3); 0 when
    // empty.
    [[nodiscard]] int bufLength() const;
    // set(nullptr), then deletes the object: only for objects made with new
    // (as QebString::asUCS2 makes them).
    void release();

private:
    int mBufLength;
    unsigned short *mUCString;
};

// Converts the 0-terminated wide text into out, at most outSize bytes with
// the NUL: whole characters only, always terminated (when outSize > 0). A
// null wide text reads as the empty text.
QEB_API void convertUCToUtf8(const unsigned short *wide, char *out, int outSize);
// Converts the NUL-terminated UTF-8 text into out, at most outUnits units
// with the 0 terminator: whole characters only (a surrogate pair is never
// split), always terminated (when outUnits > 0). A null text reads as the
// empty text.
QEB_API void convertUtf8ToUC(const char *text, unsigned short *out, int outUnits);

#endif
