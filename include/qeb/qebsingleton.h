// QebSingleton: a process-wide registry of shared objects by name.
//
// The first user registers an object with createRef, later users fetch it
// with getRef (each taking a reference), and every user gives its reference
// back with decRef, which tells the one holding the last reference to
// destroy the object. The registry only stores the pointer. Names are
// compared byte by byte, case-sensitively, by their first 255 bytes; an empty
// (or null) name is refused. All operations are static and may be called
// from any thread (one lock guards the table).
//
//   QebSingleton::createRef("log", log);            // the first user: 1 reference
//   Log *same = (Log *)QebSingleton::getRef("log");  // another user: 2
//   QebSingleton::decRef("log");                     // false: one is left
//   if (QebSingleton::decRef("log")) delete log;     // true: the last one
#ifndef QEB_QEBSINGLETON_H
#define QEB_QEBSINGLETON_H

#include <qeb/qebexport.h>

class QEB_API QebSingleton {
public:
    QebSingleton() {}

    // Registers object under name with one reference. A name already
    // registered keeps its object and count; the new pointer is ignored.
    // Throws std::bad_alloc, leaving the table unchanged, when it cannot grow.
    static void createRef(const char *name, void *object);
    // The object registered under name, taking a reference; null (and no
    // change) when there is none.
    static void *getRef(const char *name);
    // Gives back a reference; true when it was the last one, so that the
    // caller should destroy the object (the name is then free again). False
    // for a name not registered. The table is freed when no references are
    // left at all.
    static bool decRef(const char *name);

private:
    struct SingleItem;

    static void resize(int n);

    static SingleItem *mPool;
    static int mCount;

    friend class QebSingletonTestAccess;
};

#endif
