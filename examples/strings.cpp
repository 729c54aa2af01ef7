// Strings: borrowing, sharing, copy on write, search and numbers.
#include <qeb/qebstring.h>

#include <cstdio>

int main() {
    QebString name("Caf\xC3\xA9 cr\xC3\xA8me", true);  // borrows the literal
    QebString copy(name);                            // shares, copies nothing
    copy.uppercase();                                // copy on write; name unchanged
    std::printf("%s has %u characters; %s stays\n", copy.asCstr(), copy.length(), name.asCstr());

    const QebString line("colour, colour");
    const QebString fixed = line.replace(QebString("colour", true), QebString("color", true));
    std::printf("%s, the second at %d\n", fixed.asCstr(), fixed.find(QebString("color", true), 1));

    bool failed = false;
    const long long n = QebString(" 42 ").asInt64(&failed);  // 42, failed == false
    QebString text;
    text.assign(2.5);  // "2.5" in every locale
    std::printf("%lld %s %s\n", n, failed ? "failed" : "read", text.asCstr());
}
