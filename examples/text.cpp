// The formatter and the attribute-list parser.
#include <qeb/qebformat.h>
#include <qeb/qebparse.h>

#include <cstdio>

int main() {
    const QebString message = qebStringFormat("Failed to execute command %s. Error: %d", "ls", -1);
    std::printf("%s\n", message.asCstr());

    QebParse parser;
    if (!parser.parse(QebString("(name=value; other=(a;b); flag)"))) return 1;
    for (int i = 0; i < parser.getAttributeCount(); ++i) {
        QebString name, value;
        parser.getAttribute(i, &name, &value);
        // Values keep their blanks; without '=' the whole attribute is the value.
        std::printf("%d: %s = [%s]\n", i, name.isNull() ? "(no name)" : name.asCstr(), value.asCstr());
    }
}
