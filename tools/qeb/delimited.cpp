#include "delimited.h"

bool splitDelimited(const std::string &line, char delimiter, std::vector<std::string> *fields) {
    fields->clear();
    size_t pos = 0;
    for (;;) {
        std::string field;
        if (pos < line.size() && line[pos] == '"') {
            for (++pos;; ++pos) {
                if (pos >= line.size()) return false;
                if (line[pos] != '"') {
                    field += line[pos];
                } else if (pos + 1 < line.size() && line[pos + 1] == '"') {
                    field += '"';
                    ++pos;
                } else {
                    ++pos;
                    break;
                }
            }
            if (pos < line.size() && line[pos] != delimiter) return false;
        } else {
            const size_t end = line.find(delimiter, pos);
            field = line.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            pos = end == std::string::npos ? line.size() : end;
        }
        fields->push_back(field);
        if (pos >= line.size()) return true;
        ++pos;  // past the delimiter
    }
}
