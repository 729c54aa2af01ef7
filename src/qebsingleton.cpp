#include <qeb/qebsingleton.h>

#include <algorithm>
#include <cstring>
#include <mutex>

struct QebSingleton::SingleItem {
    char name[256];  // empty in a free record
    int refCount;    // 0 in a free record
    void *object;
};

QebSingleton::SingleItem *QebSingleton::mPool = nullptr;
int QebSingleton::mCount = 0;

namespace {

// Names count by their first kNameBytes bytes, as they are stored.
constexpr size_t kNameBytes = 255;

// Pieces of one application built apart share the table from any thread.
std::mutex tableLock;

bool isUsableName(const char *name) { return name && *name; }

// The first record whose name equals name; "" finds the first free one.
template <class Item>
Item *findItem(Item *items, int count, const char *name) {
    Item *end = items + count;
    Item *item = std::find_if(items, end, [name](const Item &i) {
        return std::strncmp(i.name, name, kNameBytes) == 0;
    });
    return item == end ? nullptr : item;
}

}  // namespace

void QebSingleton::createRef(const char *name, void *object) {
    if (!isUsableName(name)) return;
    std::lock_guard<std::mutex> guard(tableLock);
    if (findItem(mPool, mCount, name)) return;
    SingleItem *item = findItem(mPool, mCount, "");
    if (!item) {
        resize(mCount + 1);
        item = &mPool[mCount++];
    }
    size_t length = 0;
    while (length < kNameBytes && name[length]) ++length;
    std::memcpy(item->name, name, length);
    item->name[length] = '\0';
    item->refCount = 1;
    item->object = object;
}

void *QebSingleton::getRef(const char *name) {
    if (!isUsableName(name)) return nullptr;
    std::lock_guard<std::mutex> guard(tableLock);
    SingleItem *item = findItem(mPool, mCount, name);
    if (!item) return nullptr;
    ++item->refCount;
    return item->object;
}

bool QebSingleton::decRef(const char *name) {
    if (!isUsableName(name)) return false;
    std::lock_guard<std::mutex> guard(tableLock);
    SingleItem *item = findItem(mPool, mCount, name);
    if (!item) return false;
    const bool last = --item->refCount == 0;
    if (last) item->name[0] = '\0';
    if (std::none_of(mPool, mPool + mCount, [](const SingleItem &i) { return i.refCount > 0; })) {
        delete[] mPool;
        mPool = nullptr;
        mCount = 0;
    }
    return last;
}

// Grows the table to n records (n >= mCount), the new ones free. Throws
// std::bad_alloc with the table unchanged.
void QebSingleton::resize(int n) {
    SingleItem *pool = new SingleItem[n]();
    std::copy(mPool, mPool + mCount, pool);
    delete[] mPool;
    mPool = pool;
}
