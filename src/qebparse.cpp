#include <qeb/qebparse.h>

#include "ks_uchar.h"

#include <cstring>
#include <vector>

struct QebParse::Attributes {
    std::vector<QebString> items;
};

namespace {

// Narrows [*begin, *end) to its text without leading and trailing white
// space, as QebString::trim does, without copying it.
void trimRange(const char **begin, const char **end) {
    int len = 0;
    const char *b = *begin;
    while (b < *end && ks_uchar_isspace(b, &len)) b += len;
    const char *e = b;
    for (const char *p = b; p < *end; p += len) {
        if (!ks_uchar_isspace(p, &len)) e = p + len;
    }
    *begin = b;
    *end = e;
}

// Assigns the text [begin, end), which ends at a character boundary; false
// when memory ran out.
bool assignRange(QebString *target, const char *begin, const char *end) {
    target->assign(begin, ks_uchar_tell(begin, end));
    return !target->isNull();
}

}  // namespace

QebParse::QebParse() : mAttributes(new Attributes) {}

QebParse::~QebParse() { delete mAttributes; }

QebParse::QebParse(const QebParse &other)
    : mErrorMessage(other.mErrorMessage), mText(other.mText), mAttributes(new Attributes(*other.mAttributes)) {}

QebParse &QebParse::operator=(const QebParse &other) {
    std::vector<QebString> items(other.mAttributes->items);
    mAttributes->items.swap(items);
    mErrorMessage = other.mErrorMessage;
    mText = other.mText;
    return *this;
}

bool QebParse::failWith(const QebString &message) {
    mErrorMessage = message;
    return false;
}

// The text is walked by pointers rather than trimmed and cut as strings, so
// that only storing an attribute can run out of memory.
bool QebParse::parse(const QebString &text) {
    mText = text;
    const char *begin = text.asCstr();
    const char *end = begin + text.cStrSize() - 1;
    trimRange(&begin, &end);
    if (begin < end && *begin == '(') {
        if (end[-1] != ')') return failWith(QebString("", true));
        ++begin;
        --end;
    }
    mAttributes->items.clear();
    return split(begin, end);
}

bool QebParse::split(const char *begin, const char *end) {
    int round = 0, curly = 0;
    const char *start = begin;  // of the current attribute
    for (const char *p = begin;; ++p) {
        if (p == end || (*p == ';' && round == 0 && curly == 0)) {
            if (p > start) {
                QebString attribute;
                if (!assignRange(&attribute, start, p)) return false;
                mAttributes->items.push_back(attribute);
            }
            if (p == end) break;
            start = p + 1;
        } else if (*p == '(' || *p == '{') {
            ++(*p == '(' ? round : curly);
        } else if (*p == ')' || *p == '}') {
            if (--(*p == ')' ? round : curly) < 0) return failWith(QebString("", true));
        }
    }
    return round == 0 && curly == 0;
}

int QebParse::getAttributeCount() const { return int(mAttributes->items.size()); }

bool QebParse::getAttribute(int index, QebString *name, QebString *value) {
    if (name) name->setNull();
    if (value) value->setNull();
    if (index < 0 || index >= getAttributeCount()) {
        return failWith(QebString("Invalid index in array", true));
    }
    const QebString &attribute = mAttributes->items[size_t(index)];
    const char *text = attribute.asCstr();
    const char *stop = std::strpbrk(text, "=({");
    if (!stop || *stop != '=') {
        if (value) *value = attribute;
        return true;
    }
    bool ok = true;
    if (value && stop[1]) {
        value->assign(stop + 1);
        ok = !value->isNull();
    }
    if (name && stop > text) {
        const char *nameEnd = stop;
        trimRange(&text, &nameEnd);
        ok = assignRange(name, text, nameEnd) && ok;
    }
    return ok;
}

QebString QebParse::getErrorMessage() const { return mErrorMessage; }
