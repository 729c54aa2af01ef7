// A program built against an installed copy of the library.
#include <qeb/qebmempool.h>
#include <qeb/qebstring.h>

#include <cstdio>
#include <cstring>

int main() {
    QebString greeting("colour and colour", true);
    const QebString result = greeting.replace(QebString("colour"), QebString("color"));
    std::printf("%s\n", result.asCstr());
    return std::strcmp(result.asCstr(), "color and color") == 0 ? 0 : 1;
}
