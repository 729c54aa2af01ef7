// Reading delimited text (comma-separated values and the like).
#ifndef QEB_TOOL_DELIMITED_H
#define QEB_TOOL_DELIMITED_H

#include <string>
#include <vector>

// Splits one line into fields at `delimiter`. A field that starts with '"'
// is quoted: it runs to the closing '"', a doubled '"' inside stands for one,
// and the delimiter inside is text. False when a quote is left open or text
// follows a closing quote.
bool splitDelimited(const std::string &line, char delimiter, std::vector<std::string> *fields);

#endif
