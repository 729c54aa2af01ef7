#include "commands.h"
#include "delimited.h"
#include "text_input.h"

#include <qeb/qebdatavar.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Column {
    std::string name;
    std::vector<std::string> fields;  // the non-empty ones
    int empty = 0;
    qebType kind = qebTypeUnknown;    // none seen yet
};

qebType kindOf(const std::string &field) {
    switch (determineType(QebString(field.c_str()))) {
        case determinedBoolean: return qebTypeBoolean;
        case determinedInteger: return qebTypeInteger;
        case determinedReal: return qebTypeReal;
        case determinedDate: return qebTypeDate;
        default:
            // Detection reads month-day-year; the order chosen may read more.
            return QebDate(field.c_str()).isNull() ? qebTypeString : qebTypeDate;
    }
}

// The narrowest kind that holds both: integers fit among reals, any other
// mix is text.
qebType widen(qebType a, qebType b) {
    if (a == qebTypeUnknown || a == b) return b;
    const bool numbers = (a == qebTypeInteger || a == qebTypeReal) &&
                         (b == qebTypeInteger || b == qebTypeReal);
    return numbers ? qebTypeReal : qebTypeString;
}

std::string display(QebDatavar &value) {
    if (value.isNull()) return "-";
    if (value.type() == qebTypeDate) return value.asDate().asString(true).asCstr();
    return value.asString().asCstr();
}

void report(std::vector<Column> &columns) {
    std::printf("%-20s %-8s %6s  %-24s %s\n", "column", "kind", "empty", "smallest", "largest");
    for (Column &column : columns) {
        QebDatavar smallest, largest;
        for (const std::string &field : column.fields) {
            QebDatavar value;
            value.assign(field.c_str());
            value.setType(column.kind);
            if (smallest.isNull() || value.compare(smallest) < 0) smallest = value;
            if (largest.isNull() || value.compare(largest) > 0) largest = value;
        }
        const char *kind = column.fields.empty() ? "-" : qebTypeToString(column.kind);
        std::printf("%-20s %-8s %6d  %-24s %s\n", column.name.c_str(), kind, column.empty,
                    display(smallest).c_str(), display(largest).c_str());
    }
}

}  // namespace

int runDetect(int argc, char **argv) {
    char delimiter = ',';
    int encoding = qebEncodingAuto;
    bool header = false;
    const char *path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--header") {
            header = true;
        } else if (arg == "--delimiter" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value == "\\t" || value == "tab") {
                delimiter = '\t';
            } else if (value.size() != 1 || value == "\"" || value == "\n") {
                return usageError("detect", "the delimiter is one character other than '\"'");
            } else {
                delimiter = value[0];
            }
        } else if (arg == "--date-order" && i + 1 < argc) {
            const std::string value = argv[++i];
            const int order = value == "MDY" ? 0 : value == "DMY" ? 1 : value == "YMD" ? 2 : -1;
            if (order < 0) return usageError("detect", "the date order is MDY, DMY or YMD");
            qebSetDateOrder(order);
        } else if (arg == "--encoding" && i + 1 < argc) {
            encoding = encodingByName(argv[++i]);
            if (encoding < 0) return usageError("detect", "unknown encoding");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("detect", ("unknown option " + arg).c_str());
        } else if (path) {
            return usageError("detect", "expects at most one FILE");
        } else {
            path = argv[i];
        }
    }

    QebTxtFile in;
    if (!openTextInput(in, path, encoding)) return 1;
    std::vector<Column> columns;
    std::vector<std::string> fields;
    std::string line;
    int lineNumber = 0;
    bool ok = true, failed = false;
    while (ok && readTextLine(in, &line, &failed)) {
        ++lineNumber;
        if (line.empty()) continue;
        ok = splitDelimited(line, delimiter, &fields);
        if (!ok) break;
        if (columns.size() < fields.size()) {
            // A row longer than those before it: the new columns were empty
            // in every earlier data row.
            const int earlierRows = columns.empty() ? 0 : columns[0].empty + int(columns[0].fields.size());
            for (size_t i = columns.size(); i < fields.size(); ++i) {
                columns.emplace_back();
                columns.back().name = std::to_string(i + 1);
                columns.back().empty = earlierRows;
            }
        }
        if (header) {  // the first line that is not blank
            for (size_t i = 0; i < fields.size(); ++i) columns[i].name = fields[i];
            header = false;
            continue;
        }
        for (size_t i = 0; i < columns.size(); ++i) {
            Column &column = columns[i];
            if (i >= fields.size() || fields[i].empty()) {
                ++column.empty;
                continue;
            }
            column.kind = widen(column.kind, kindOf(fields[i]));
            column.fields.push_back(fields[i]);
        }
    }
    if (failed) return 1;
    if (!ok) return failure(("line " + std::to_string(lineNumber) + ": unbalanced quotes").c_str());
    report(columns);
    return 0;
}
