// Decimals, dates and typed values.
#include <qeb/qebdatavar.h>

#include <cstdio>

int main() {
    QebReal price;
    price.assign("19.99");
    QebReal total = price * QebReal(3);  // exact
    QebReal one(1);
    QebReal third = one / QebReal(3);  // 52 digits; the left operand learns that it rounded
    std::printf("%s, %s (%s)\n", total.asString().asCstr(), third.asString(12).asCstr(),
                one.truncated() ? "rounded" : "exact");
    std::printf("%s\n", third.asString().asCstr());

    const QebDate when("2024-03-05 14:07:09");  // month-day-year unless qebSetDateOrder
    std::printf("%s, day %d of the week\n", when.asString(true).asCstr(), when.getWeekDay());

    QebDatavar cell;
    cell.assign("42");
    const bool converted = cell.setType(qebTypeInteger);
    std::printf("%s %lld, %s\n", converted ? "Integer" : "not converted", cell.asInt64(),
                determineType(QebString("1.5e-3")) == determinedReal ? "a Real" : "not a Real");
}
