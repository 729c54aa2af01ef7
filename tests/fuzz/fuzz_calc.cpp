// The calculator's expressions: a result is a number or an error that names
// a character of the text; an expression means the same in brackets, between
// blanks and negated; a lone number means itself.
#include "fuzz_support.h"

#include "calc_expression.h"

namespace {

const char kDepthError[] = "nested too deeply";

std::string describe(const CalcResult &r) { return r.error.empty() ? textOf(r.value) : "error: " + r.error; }

void checkWellFormed(const std::string &text, const CalcResult &r) {
    if (r.error.empty()) {
        FUZZ_CHECK(!r.value.isNull(), "%s gives no number and no error", escaped(text).c_str());
        return;
    }
    const size_t at = r.error.rfind(" at character ");
    const long character = at == std::string::npos ? 0 : std::strtol(r.error.c_str() + at + 14, nullptr, 10);
    FUZZ_CHECK(character >= 1 && size_t(character) <= text.size() + 1, "%s: %s", escaped(text).c_str(),
               r.error.c_str());
}

// Another spelling of the expression gives the same outcome (an error may
// name another character), unless it nests too deeply.
void checkSame(const std::string &text, const CalcResult &r, const std::string &other, bool negated) {
    const CalcResult o = evaluateExpression(other);
    checkWellFormed(other, o);
    if (o.error.find(kDepthError) != std::string::npos) return;
    const bool same = r.error.empty() ? o.error.empty() && o.rounded == r.rounded &&
                                            textOf(o.value) == textOf(negated ? r.value.negative() : r.value)
                                      : !o.error.empty();
    FUZZ_CHECK(same, "%s gives %s, but %s gives %s", escaped(text).c_str(), describe(r).c_str(), escaped(other).c_str(),
               describe(o).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const CalcResult r = evaluateExpression(text);
    checkWellFormed(text, r);
    if (r.error.find(kDepthError) != std::string::npos) return 0;
    checkSame(text, r, " " + text + "\t", false);
    // Brackets may also mend a text ("1)+(2"): only a number keeps its meaning.
    if (r.error.empty()) {
        checkSame(text, r, "(" + text + ")", false);
        checkSame(text, r, "-(" + text + ")", true);
    }
    const QebReal number = realOf(text);
    if (!number.isNull() && text.find_first_of(std::string(" \t\n\v\f\r\0", 7)) == std::string::npos)
        FUZZ_CHECK(r.error.empty() && textOf(r.value) == textOf(number) && r.rounded == number.truncated(),
                   "the number %s gives %s", escaped(text).c_str(), describe(r).c_str());
    return 0;
}
