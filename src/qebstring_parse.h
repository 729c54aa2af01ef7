// The string module's number parsers, shared with the typed value: true
// exactly when the string library's parser succeeds, with *result set.
#ifndef QEB_QEBSTRING_PARSE_H
#define QEB_QEBSTRING_PARSE_H

bool parseIntText(const char *text, int *result);
bool parseInt64Text(const char *text, long long *result);
bool parseDoubleText(const char *text, double *result);

#endif
