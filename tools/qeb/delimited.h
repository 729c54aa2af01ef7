// Reading delimited text (comma-separated values and the like).
#ifndef QEB_TOOL_DELIMITED_H
#define QEB_TOOL_DELIMITED_H

#include <cstdio>
#include <string>
#include <vector>

// Splits one line into fields at `delimiter`. A field that starts with '"'
// is quoted: it runs to the closing '"', a doubled '"' inside stands for one,
// and the delimiter inside is text. False when a quote is left open or text
// follows a closing quote.
bool splitDelimited(const std::string &line, char delimiter, std::vector<std::string> *fields);

// Reads the next line without its line end ("\n" or "\r\n"); false at the end
// of the input.
bool readLine(FILE *in, std::string *line);

#endif
