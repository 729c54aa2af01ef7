// Attribute lists: two texts (split at the input's first NUL) parsed in turn
// by one parser give the attributes, results, messages, names and values of
// a small model of the rules, and copies of the parser agree.
#include "fuzz_support.h"

#include <qeb/qebparse.h>

#include <climits>
#include <cstring>

namespace {

struct Outcome {
    bool parsed;
    bool emptyMessage;  // the message becomes empty; else it stays
    std::vector<std::string> attributes;
};

Outcome split(const std::string &text) {
    Outcome outcome{false, false, {}};
    int round = 0, curly = 0;
    size_t start = 0;
    for (size_t i = 0;; ++i) {
        if (i == text.size() || (text[i] == ';' && round == 0 && curly == 0)) {
            if (i > start) outcome.attributes.push_back(text.substr(start, i - start));
            if (i == text.size()) break;
            start = i + 1;
        } else if (text[i] == '(' || text[i] == '{') {
            ++(text[i] == '(' ? round : curly);
        } else if ((text[i] == ')' || text[i] == '}') && --(text[i] == ')' ? round : curly) < 0) {
            outcome.emptyMessage = true;
            return outcome;
        }
    }
    outcome.parsed = round == 0 && curly == 0;
    return outcome;
}

Outcome expected(const std::string &text, const std::vector<std::string> &previous) {
    const std::string trimmed = joined(trimmedCharacters(utf8Characters(text)));
    if (trimmed.empty() || trimmed[0] != '(') return split(trimmed);
    if (trimmed.back() != ')') return {false, true, previous};
    return split(trimmed.substr(1, trimmed.size() - 2));
}

// "null" or the quoted text.
std::string shown(const QebString &s) { return s.isNull() ? "null" : escaped(bytesOf(s)); }

// The name and value the rules give an attribute.
void expectedParts(const std::string &attribute, std::string *name, std::string *value) {
    const size_t stop = attribute.find_first_of("=({");
    if (stop == std::string::npos || attribute[stop] != '=') {
        *name = "null";
        *value = escaped(attribute);
        return;
    }
    const std::string before = attribute.substr(0, stop), after = attribute.substr(stop + 1);
    *name = stop == 0 ? "null" : escaped(joined(trimmedCharacters(utf8Characters(before))));
    *value = after.empty() ? "null" : escaped(after);
}

void checkAttributes(QebParse &parser, const std::vector<std::string> &attributes) {
    FUZZ_CHECK(parser.getAttributeCount() == int(attributes.size()), "%d attributes, not %zu",
               parser.getAttributeCount(), attributes.size());
    for (size_t i = 0; i < attributes.size(); ++i) {
        QebString name, value;
        const bool found = parser.getAttribute(int(i), &name, &value);
        std::string expectedName, expectedValue;
        expectedParts(attributes[i], &expectedName, &expectedValue);
        FUZZ_CHECK(found && shown(name) == expectedName && shown(value) == expectedValue,
                   "attribute %zu %s gives name %s and value %s", i, escaped(attributes[i]).c_str(),
                   shown(name).c_str(), shown(value).c_str());
    }
    for (int index : {-1, int(attributes.size()), INT_MAX, INT_MIN}) {
        QebString name("x"), value("y");
        FUZZ_CHECK(!parser.getAttribute(index, &name, &value) && name.isNull() && value.isNull() &&
                       bytesOf(parser.getErrorMessage()) == "Invalid index in array",
                   "attribute %d of %zu is found", index, attributes.size());
    }
}

void checkParse(QebParse &parser, const std::string &text, std::vector<std::string> *attributes) {
    const QebString before = parser.getErrorMessage();
    const Outcome outcome = expected(text, *attributes);
    const bool parsed = parser.parse(QebString(text.c_str()));
    const QebString message = parser.getErrorMessage();
    FUZZ_CHECK(parsed == outcome.parsed, "parsing %s gives %d", escaped(text).c_str(), parsed);
    FUZZ_CHECK(outcome.emptyMessage ? !message.isNull() && message.length() == 0
                                    : message.isNull() == before.isNull() && bytesOf(message) == bytesOf(before),
               "parsing %s leaves the message %s", escaped(text).c_str(), shown(message).c_str());
    *attributes = outcome.attributes;
    checkAttributes(parser, *attributes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string input(reinterpret_cast<const char *>(data), size);
    const std::string first = input.c_str();
    const std::string second = first.size() < input.size() ? input.substr(first.size() + 1).c_str() : "";
    QebParse parser;
    std::vector<std::string> attributes;
    checkParse(parser, first, &attributes);
    QebParse copy(parser);
    checkParse(parser, second, &attributes);
    QebParse assigned;
    assigned = parser;
    checkAttributes(assigned, attributes);
    checkAttributes(copy, expected(first, {}).attributes);
    return 0;
}
