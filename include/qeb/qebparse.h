// QebParse: splits an attribute list such as "(name=value; other=(a;b); flag)"
// into attributes, and each attribute into a name and a value.
//
// A ';' inside round or curly brackets does not separate attributes, so
// values can be lists themselves. Only the ASCII characters ( ) { } ; = are
// looked at; everything else, non-ASCII text included, is kept as it stands.
// A copy owns its own attributes. Lack of memory for the attribute sequence
// throws std::bad_alloc; nothing else throws.
//
//   QebParse parser;
//   parser.parse("(a=1; b = 2 ;c)");       // attributes "a=1", " b = 2 ", "c"
//   parser.getAttribute(1, &name, &value);  // name "b", value " 2 "
#ifndef QEB_QEBPARSE_H
#define QEB_QEBPARSE_H

#include <qeb/qebexport.h>
#include <qeb/qebstring.h>

class QEB_API QebParse {
public:
    QebParse();
    ~QebParse();
    QebParse(const QebParse &other);
    QebParse &operator=(const QebParse &other);

    // Splits text, trimmed of white space, into attributes; one pair of outer
    // round brackets is removed first. Attributes end at a ';' outside
    // brackets or at the end; they are kept untrimmed, and empty ones are
    // skipped. False:
    // - outer '(' without a final ')': the error message becomes empty (not
    //   null) and the previous attributes stay;
    // - a ')' or '}' without its opening bracket: the error message becomes
    //   empty; the attributes found before it stay;
    // - brackets still open at the end: the error message is unchanged; the
    //   attributes stay;
    // - an attribute's text could not be stored for lack of memory.
    bool parse(const QebString &text);
    [[nodiscard]] int getAttributeCount() const;
    // Attribute `index` (from 0): the text before its first '=' (trimmed) as
    // name and the text after it (untrimmed) as value. Both stay null where
    // there is no such text; when a '(' or '{' comes before any '=', or there
    // is no '=', the whole attribute is the value and the name stays null.
    // False for an index out of range, with the error message "Invalid index
    // in array", and when memory ran out for a name or value (the message is
    // then unchanged). Null pointers are skipped.
    bool getAttribute(int index, QebString *name, QebString *value);
    // The last failure's text; null until one occurs, and kept by successes.
    [[nodiscard]] QebString getErrorMessage() const;

private:
    struct Attributes;

    bool split(const char *begin, const char *end);
    bool failWith(const QebString &message);

    QebString mErrorMessage;
    QebString mText;
    Attributes *mAttributes;
};

#endif
