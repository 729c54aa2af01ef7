// The delimited-text reader, with the first byte as the delimiter and the
// rest as the line: a line without quotes splits at every delimiter, only a
// quote can make a line fail, and fields written back quoted read back the
// same.
#include "fuzz_support.h"

#include "delimited.h"

namespace {

std::vector<std::string> splitEverywhere(const std::string &line, char delimiter) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == delimiter)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

std::string quotedFields(const std::vector<std::string> &fields, char delimiter) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += delimiter;
        line += '"';
        for (char c : fields[i]) line += c == '"' ? std::string(2, '"') : std::string(1, c);
        line += '"';
    }
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const char delimiter = char(data[0]);
    const std::string line(reinterpret_cast<const char *>(data) + 1, size - 1);
    std::vector<std::string> fields{"from before"};
    const bool split = splitDelimited(line, delimiter, &fields);
    const bool quotes = line.find('"') != std::string::npos;
    FUZZ_CHECK(split || quotes, "%s fails without a quote", escaped(line).c_str());
    if (!split) return 0;
    FUZZ_CHECK(quotes || fields == splitEverywhere(line, delimiter), "%s splits into %zu fields", escaped(line).c_str(),
               fields.size());
    if (delimiter == '"') return 0;
    const std::string written = quotedFields(fields, delimiter);
    std::vector<std::string> back;
    FUZZ_CHECK(splitDelimited(written, delimiter, &back) && back == fields, "%s written as %s reads back otherwise",
               escaped(line).c_str(), escaped(written).c_str());
    return 0;
}
