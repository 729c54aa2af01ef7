// Decimal arithmetic on two texts (one a line, then a line with a number of
// places): the laws that hold under 52-digit rounding, exact results that
// undo each other, the order agreeing with the sign of the difference, the
// integer and rounding operations bracketing the number, and the decimal
// module's own paths giving decNumber's every bit.
#include "decimal192_reference.h"
#include "fuzz_support.h"

#include <qeb/qebreal.h>

#include <climits>

namespace {

bool same(QebReal x, QebReal y) { return textOf(x) == textOf(y); }

bool isFinite(const QebReal &x) { return !x.isNull() && x.absolute() != realOf("Infinity"); }

// Operations whose operands commute give the same result and the same flag.
void checkCommutes(QebReal (QebReal::*operation)(const QebReal &, bool *), const char *name, const QebReal &a,
                   const QebReal &b) {
    QebReal left = a, right = b;
    bool leftFailed = false, rightFailed = false;
    const QebReal ab = (left.*operation)(b, &leftFailed);
    const QebReal ba = (right.*operation)(a, &rightFailed);
    FUZZ_CHECK(same(ab, ba) && left.truncated() == right.truncated() && leftFailed == rightFailed,
               "%s of %s and %s: %s one way, %s the other", name, textOf(a).c_str(), textOf(b).c_str(),
               textOf(ab).c_str(), textOf(ba).c_str());
}

void checkBasicOperations(const QebReal &a, const QebReal &b) {
    checkCommutes(&QebReal::add, "add", a, b);
    checkCommutes(&QebReal::multiply, "multiply", a, b);
    QebReal left = a, right = b;
    FUZZ_CHECK(same(left.subtract(b), right.subtract(a).negative()), "%s - %s is not -(%s - %s)", textOf(a).c_str(),
               textOf(b).c_str(), textOf(b).c_str(), textOf(a).c_str());
    if (a.isNull() || b.isNull()) {
        bool failed = true;
        FUZZ_CHECK(left.divide(b, &failed).isNull() && !failed, "a null operand gives a number or a failure");
        return;
    }
    if (!isFinite(a) || !isFinite(b)) return;

    QebReal sum = a;
    const QebReal s = sum.add(b);
    if (!sum.truncated() && isFinite(s))
        FUZZ_CHECK(QebReal(s).subtract(b).compare(a) == 0, "exact %s + %s = %s does not undo", textOf(a).c_str(),
                   textOf(b).c_str(), textOf(s).c_str());
    QebReal quotient = a;
    bool failed = false;
    const QebReal q = quotient.divide(b, &failed);
    FUZZ_CHECK(failed == (b == 0.0), "%s / %s: failure %d", textOf(a).c_str(), textOf(b).c_str(), failed);
    if (!failed && !quotient.truncated() && isFinite(q))
        FUZZ_CHECK(QebReal(q).multiply(b).compare(a) == 0, "exact %s / %s = %s does not undo", textOf(a).c_str(),
                   textOf(b).c_str(), textOf(q).c_str());
    const QebReal difference = QebReal(a).subtract(b);
    const int sign = difference.compare(QebReal(0));
    FUZZ_CHECK(a.compare(b) == sign && b.compare(a) == -sign, "%s against %s: %d, but the difference is %s",
               textOf(a).c_str(), textOf(b).c_str(), a.compare(b), textOf(difference).c_str());
}

void checkModulo(const QebReal &a, const QebReal &b) {
    const QebReal r = a.modulo(b);
    if (r.isNull()) return;
    QebReal twice = r.absolute();
    FUZZ_CHECK(twice.add(r.absolute()) <= b.absolute(), "%s modulo %s is %s, more than half the divisor",
               textOf(a).c_str(), textOf(b).c_str(), textOf(r).c_str());
}

void checkIntegers(const QebReal &a) {
    const QebReal floor = a.floor(), ceiling = a.ceiling();
    FUZZ_CHECK(floor <= a && a <= ceiling && same(floor.floor(), floor) && same(ceiling.ceiling(), ceiling) &&
                   (same(floor, ceiling) || QebReal(ceiling).subtract(floor) == 1.0) &&
                   same(floor, ceiling) == (a.compare(floor) == 0),
               "%s lies between %s and %s", textOf(a).c_str(), textOf(floor).c_str(), textOf(ceiling).c_str());
}

void checkRound(const QebReal &a, int places) {
    const QebReal r = a.round(places);
    if (places == 0) {
        FUZZ_CHECK(same(r, a), "round(0) of %s gives %s", textOf(a).c_str(), textOf(r).c_str());
        return;
    }
    if (r.isNull()) return;
    const std::string unit = "1E" + std::to_string(-(long long)places);
    FUZZ_CHECK(withinHalfUnit(a, r, unit) && same(r.round(places), r), "round(%d) of %s gives %s", places,
               textOf(a).c_str(), textOf(r).c_str());
}

void checkSquareRoot(const QebReal &a) {
    bool failed = false;
    const QebReal root = a.sqrt(&failed);
    FUZZ_CHECK(failed == (a < 0.0) && failed == root.isNull(), "sqrt of %s gives %s, failure %d", textOf(a).c_str(),
               textOf(root).c_str(), failed);
    if (failed || root.truncated() || !isFinite(root)) return;
    FUZZ_CHECK(QebReal(root).multiply(root).compare(a) == 0 && root >= 0.0, "exact sqrt of %s is %s", textOf(a).c_str(),
               textOf(root).c_str());
}

void checkOneNumber(const QebReal &a, int places) {
    FUZZ_CHECK(same(a.negative().negative(), a) && (a.isNull() || a.absolute() >= 0.0), "the sign operations change %s",
               textOf(a).c_str());
    if (!isFinite(a)) return;
    FUZZ_CHECK(a.compare(a) == 0, "%s differs from itself", textOf(a).c_str());
    checkIntegers(a);
    checkRound(a, places);
    checkSquareRoot(a);
}

void checkAgainstDecNumber(const std::string &left, const std::string &right) {
    for (const std::string &t : {left, right})
        for (bool reduce : {false, true})
            FUZZ_CHECK(readViaModule(t, reduce) == readViaDecNumber(t, reduce), "reading %s (reduced: %d) differs from decNumber",
                       t.c_str(), reduce);
    const decSext a = readViaModule(left, false).value, b = readViaModule(right, false).value;
    for (const BinaryOperation &op : kBinaryOperations)
        FUZZ_CHECK(viaModule(op.module, a, b) == viaDecNumber(op.reference, a, b), "%s %s %s differs from decNumber",
                   text(a).c_str(), op.name, text(b).c_str());
    for (const UnaryOperation &op : kUnaryOperations)
        FUZZ_CHECK(viaModule(op, a) == viaDecNumber(op, a), "%s of %s differs from decNumber", op.name, text(a).c_str());
}

std::string line(const std::string &input, size_t &at) {
    if (at >= input.size()) return "";
    const size_t end = std::min(input.find('\n', at), input.size());
    const std::string text = input.substr(at, end - at);
    at = end + 1;
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string input(reinterpret_cast<const char *>(data), size);
    size_t at = 0;
    const std::string left = line(input, at), right = line(input, at);
    checkAgainstDecNumber(left, right);
    const QebReal a = realOf(left);
    const QebReal b = realOf(right);
    const long long places = std::strtoll(line(input, at).c_str(), nullptr, 10);
    checkBasicOperations(a, b);
    checkModulo(a, b);
    checkOneNumber(a, int(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, places))));
    return 0;
}
