// Reads one operation a line from standard input ("OP\tA[\tB]", operands in
// the decimal text syntax) and writes one result line of tab-separated
// fields, for comparison with an independent decimal implementation.
// Operands keep their exponent: they go in as raw words, not through
// QebReal::assign(const char *), which reduces them.
#include <qeb/qebreal.h>

#include "real_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string flag(bool b) { return b ? "1" : "0"; }

std::string result(const QebReal &r) { return rawText(r) + "\t" + text(r); }

// The line's fields; absent operands read as "".
std::vector<std::string> split(const std::string &line) {
    std::vector<std::string> fields(3);
    std::istringstream in(line);
    for (std::string &field : fields) std::getline(in, field, '\t');
    return fields;
}

std::string evaluate(const std::vector<std::string> &f) {
    const std::string &op = f[0];
    if (op == "read") {
        QebReal r;
        r.assign(f[1].c_str());
        return result(r) + "\t" + flag(r.truncated());
    }
    if (op == "fromdbl") return text(QebReal(std::strtod(f[1].c_str(), nullptr)));
    QebReal a = unreduced(f[1].c_str());
    bool failed = false;
    if (op == "norm") {
        unsigned long long words[3];
        a.asFD(&words);
        QebReal back;
        back.assign(&words);
        return rawText(back) + "\t" + text(a);
    }
    if (op == "floor") return result(a.floor());
    if (op == "ceil") return result(a.ceiling());
    if (op == "sqrt") {
        const QebReal r = a.sqrt(&failed);
        return result(r) + "\t" + flag(r.truncated()) + "\t" + flag(failed);
    }
    if (op == "int") {
        const long long n = a.asInt64(&failed);
        return std::to_string(n) + "\t" + flag(failed);
    }
    if (op == "dbl") {
        char hex[64];
        std::snprintf(hex, sizeof hex, "%a", a.asDouble(&failed));
        return std::string(hex) + "\t" + flag(failed);
    }
    if (op == "round") return result(a.round(std::atoi(f[2].c_str())));
    const QebReal b = unreduced(f[2].c_str());
    if (op == "rem") return result(a.modulo(b));
    if (op == "cmp") return std::to_string(a.compare(b));
    QebReal r;
    if (op == "add") r = a.add(b, &failed);
    else if (op == "sub") r = a.subtract(b, &failed);
    else if (op == "mul") r = a.multiply(b, &failed);
    else if (op == "div") r = a.divide(b, &failed);
    else return "unknown operation";
    return result(r) + "\t" + flag(a.truncated()) + "\t" + flag(failed);
}

}  // namespace

int main() {
    std::ios::sync_with_stdio(false);
    std::string line;
    while (std::getline(std::cin, line)) std::cout << evaluate(split(line)) << '\n';
    return 0;
}
