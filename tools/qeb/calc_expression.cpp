#include "calc_expression.h"

#include <cctype>
#include <cstring>

namespace {

// Deeper nesting is refused rather than risking the stack.
const int kMaxDepth = 200;
// Wider than any exponent of the format, narrower than an int.
const long long kPlacesLimit = 100000;

bool isAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool equalsIgnoringCase(const std::string &a, const char *b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

// Recursive descent: expression = term {(+|-) term}; term = factor
// {(*|/|%) factor}; factor = (+|-) factor | number | name(args) | (expression).
class Parser {
public:
    explicit Parser(const std::string &text) : mText(text) {}

    CalcResult run() {
        CalcResult result;
        result.value = expression();
        skipBlanks();
        if (mError.empty() && mPos < mText.size()) fail("unexpected '" + std::string(1, mText[mPos]) + "'");
        result.rounded = mRounded;
        result.error = mError;
        return result;
    }

private:
    QebReal expression() {
        QebReal left = term();
        while (mError.empty()) {
            if (accept('+'))
                left = basic(left, term(), &QebReal::add, mPos - 1);
            else if (accept('-'))
                left = basic(left, term(), &QebReal::subtract, mPos - 1);
            else
                break;
        }
        return left;
    }

    QebReal term() {
        QebReal left = factor();
        while (mError.empty()) {
            if (accept('*')) {
                left = basic(left, factor(), &QebReal::multiply, mPos - 1);
            } else if (accept('/')) {
                left = basic(left, factor(), &QebReal::divide, mPos - 1);
            } else if (accept('%')) {
                const size_t at = mPos - 1;
                const QebReal right = factor();
                if (!mError.empty()) break;
                left = checked(left.modulo(right), right, at);
            } else {
                break;
            }
        }
        return left;
    }

    QebReal factor() {
        if (++mDepth > kMaxDepth) return fail("the expression is nested too deeply");
        QebReal value;
        skipBlanks();
        if (accept('-')) {
            value = factor().negative();
        } else if (accept('+')) {
            value = factor();
        } else if (accept('(')) {
            value = expression();
            expect(')');
        } else if (mPos < mText.size() && (isDigit(mText[mPos]) || mText[mPos] == '.')) {
            value = number(scanNumber());
        } else if (mPos < mText.size() && isAlpha(mText[mPos])) {
            value = name();
        } else {
            value = fail(mPos < mText.size() ? "unexpected '" + std::string(1, mText[mPos]) + "'"
                                             : "the expression ends too early");
        }
        --mDepth;
        return value;
    }

    QebReal name() {
        const size_t start = mPos;
        while (mPos < mText.size() && isAlpha(mText[mPos])) ++mPos;
        const std::string word = mText.substr(start, mPos - start);
        if (equalsIgnoringCase(word, "inf") || equalsIgnoringCase(word, "infinity"))
            return number(word);
        if (equalsIgnoringCase(word, "nan") || equalsIgnoringCase(word, "snan"))
            return fail("'" + word + "' is not a number", start);
        if (!accept('(')) return fail("unknown name '" + word + "'", start);
        const QebReal x = expression();
        if (word == "round") {
            expect(',');
            const QebReal places = expression();
            expect(')');
            return round(x, places);
        }
        expect(')');
        if (!mError.empty()) return QebReal();
        if (word == "sqrt") {
            bool failed = false;
            const QebReal root = x.sqrt(&failed);
            if (failed) return fail("the square root of a negative number", start);
            mRounded = mRounded || root.truncated();
            return root;
        }
        if (word == "floor") return x.floor();
        if (word == "ceil") return x.ceiling();
        if (word == "abs") return x.absolute();
        return fail("unknown function '" + word + "'", start);
    }

    QebReal round(const QebReal &x, QebReal places) {
        if (!mError.empty()) return QebReal();
        bool failed = false;
        const long long n = places.asInt64(&failed);
        if (failed || places != places.floor() || n < -kPlacesLimit || n > kPlacesLimit)
            return fail("round: the places must be a whole number from -100000 to 100000");
        const QebReal r = x.round(static_cast<int>(n));
        if (r.isNull()) return fail("round: the result needs more than 52 digits");
        return r;
    }

    std::string scanNumber() {
        const size_t start = mPos;
        while (mPos < mText.size() && (isDigit(mText[mPos]) || mText[mPos] == '.')) ++mPos;
        if (mPos < mText.size() && (mText[mPos] == 'e' || mText[mPos] == 'E')) {
            size_t end = mPos + 1;
            if (end < mText.size() && (mText[end] == '+' || mText[end] == '-')) ++end;
            if (end < mText.size() && isDigit(mText[end])) {
                while (end < mText.size() && isDigit(mText[end])) ++end;
                mPos = end;
            }
        }
        return mText.substr(start, mPos - start);
    }

    QebReal number(const std::string &text) {
        QebReal x;
        x.assign(text.c_str());
        if (x.isNull()) return fail("cannot read the number '" + text + "'");
        mRounded = mRounded || x.truncated();
        return x;
    }

    using Basic = QebReal (QebReal::*)(const QebReal &, bool *);

    // `at` is the operator's position in the text.
    QebReal basic(QebReal left, const QebReal &right, Basic operation, size_t at) {
        if (!mError.empty()) return QebReal();
        bool failed = false;
        const QebReal r = (left.*operation)(right, &failed);
        mRounded = mRounded || left.truncated();
        return failed ? checked(QebReal(), right, at) : r;
    }

    // A null result of an operation on numbers is a failure: a zero
    // divisor, or an operation without a defined value.
    QebReal checked(const QebReal &r, const QebReal &right, size_t at) {
        if (!r.isNull()) return r;
        const char symbol = mText[at];
        if (right == 0.0 && (symbol == '/' || symbol == '%')) return fail("division by zero", at);
        return fail(std::string("invalid operation '") + symbol + "'", at);
    }

    void skipBlanks() {
        while (mPos < mText.size() && std::isspace(static_cast<unsigned char>(mText[mPos]))) ++mPos;
    }

    bool accept(char c) {
        skipBlanks();
        if (mPos >= mText.size() || mText[mPos] != c) return false;
        ++mPos;
        return true;
    }

    void expect(char c) {
        if (mError.empty() && !accept(c)) fail(std::string("'") + c + "' expected");
    }

    QebReal fail(const std::string &message) { return fail(message, mPos); }

    QebReal fail(const std::string &message, size_t at) {
        if (mError.empty()) mError = message + " at character " + std::to_string(at + 1);
        return QebReal();
    }

    const std::string &mText;
    size_t mPos = 0;
    int mDepth = 0;
    bool mRounded = false;
    std::string mError;
};

}  // namespace

CalcResult evaluateExpression(const std::string &text) { return Parser(text).run(); }
