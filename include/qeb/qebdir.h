// Paths and directory listings.
//
// qebConcatPath and qebParsePath join and split paths by the system's
// separator: '/'; on Windows '\' and '/' both split and joining writes '\'
// (read '\' for '/' below), and a drive's root "C:\" is a root like "/".
// They report failure only by a null result.
// QebDirectoryListing walks the entries of a directory, optionally with the
// entries of its subdirectories, giving each entry's name, full path, kind,
// modification time and whether it can be written. Its failures to open a
// listing are kept as catalogue messages (see <qeb/qebmessage.h>). Nothing
// throws.
//
//   QebDirectoryListing listing;
//   if (!listing.init(QebString("/var/log", true), 2)) puts(listing.getErrorMessage().asCstr());
//   while (listing.next()) printf("%s\n", listing.getFullPathName().asCstr());
#ifndef QEB_QEBDIR_H
#define QEB_QEBDIR_H

#include <qeb/qebdate.h>
#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

// first, a '/' unless first is empty or already ends with one, then second:
// ("a", "b") gives "a/b", ("a/", "b") and ("", "a/b") leave the texts as
// they are. A null string stands for an empty one. Null when memory ran out.
[[nodiscard]] QEB_API QebString qebConcatPath(const QebString &first, const QebString &second);

// The directory part of path: the text before its last '/', without
// trailing '/' but "/" for the root. When fileName is not null it is made
// null, then given the text after that '/': "/x" gives "/" and "x", "x"
// gives "" and "x", "d/" gives "d" and "". A null string stands for an
// empty one. A null result or *fileName means memory ran out.
QEB_API QebString qebParsePath(const QebString &path, QebString *fileName);

class QEB_API QebDirectoryListing {
public:
    // No listing yet; error message null.
    QebDirectoryListing();
    // A copy has no listing of its own (its init may open one); it takes
    // other's error message.
    QebDirectoryListing(const QebDirectoryListing &other);
    // Closes this object's listing and takes other's error message; it has
    // no listing afterwards. Assigning an object to itself changes nothing.
    QebDirectoryListing &operator=(const QebDirectoryListing &other);
    // Closes the listing.
    virtual ~QebDirectoryListing();

    // Opens the listing of the directory path (a symbolic link to one is
    // followed). options: bit 0 (1) lists directories as well as files;
    // bit 1 (2) lists the entries of subdirectories too, each subdirectory's
    // after its own, without entering symbolic links. Entries whose names
    // begin with '.' are always listed; '.' and '..' never. False when this
    // object already has a listing (nothing changes, no message), or with
    // the error message set: 445 path does not exist, 446 it is not a
    // directory, 447 permission denied, 467 any other failure (with the
    // system's error number), 444 no memory. A failed init may be retried.
    bool init(const QebString &path, int options);
    // Moves to the next entry, in the system's order within a directory.
    // Entries that vanish meanwhile, whose status cannot be read or whose
    // path is longer than the system allows are passed over, and so are the
    // entries of subdirectories that cannot be opened. False at the end of
    // the listing (no message); the last entry's values then stay.
    bool next();

    // The current entry. Before the first next: name null, full path empty,
    // not a directory, not read-only, time stamp null and 0. Without a
    // listing the full path is null too.
    //
    // The name part of the full path.
    [[nodiscard]] QebString getName() const;
    // The directory's path as given to init, a '/' (unless it ends with one)
    // and the path below it.
    [[nodiscard]] QebString getFullPathName() const;
    // A directory, or a symbolic link to one (a link whose target is
    // missing or a loop is not).
    [[nodiscard]] bool isDir() const;
    // getTimestampLong's time in the process's local time zone.
    [[nodiscard]] QebDate getTimestamp() const;
    // The modification time in seconds since 1970-01-01 00:00 UTC; 0 for
    // times that an unsigned 32-bit value cannot hold.
    [[nodiscard]] unsigned long getTimestampLong() const;
    // Whether the entry cannot be opened for writing now (directories never
    // can). It asks the system at each call.
    [[nodiscard]] bool isReadOnly() const;
    // The last failure's text; null until one occurs, and kept by successes.
    [[nodiscard]] QebString getErrorMessage() const;

private:
    struct State;

    State *mState;
    QebString mErrorMessage;
};

#endif
