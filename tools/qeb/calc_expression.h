// Arithmetic expressions on 52-digit decimal numbers, for `qeb calc`.
#ifndef QEB_TOOL_CALC_EXPRESSION_H
#define QEB_TOOL_CALC_EXPRESSION_H

#include <qeb/qebreal.h>

#include <string>

struct CalcResult {
    QebReal value;
    bool rounded = false;  // some step of the evaluation was inexact
    std::string error;     // empty on success
};

// Evaluates numbers (anything QebReal::assign reads except NaN), + - * /,
// % (remainder to the nearest multiple), parentheses, unary signs and the
// functions sqrt(x), round(x, places), floor(x), ceil(x), abs(x).
// Division by zero, invalid operations and unreadable input give an error.
CalcResult evaluateExpression(const std::string &text);

#endif
