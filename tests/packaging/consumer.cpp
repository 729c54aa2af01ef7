// A program built against an installed copy of the library; it includes
// every public header, so each must stand on its own in plain C++17.
#include <qeb/qebconvert.h>
#include <qeb/qebdatavar.h>
#include <qeb/qebdate.h>
#include <qeb/qebdir.h>
#include <qeb/qebemail.h>
#include <qeb/qebexecute.h>
#include <qeb/qebformat.h>
#include <qeb/qebmempool.h>
#include <qeb/qebmessage.h>
#include <qeb/qebparse.h>
#include <qeb/qebreal.h>
#include <qeb/qebsingleton.h>
#include <qeb/qebstring.h>
#include <qeb/qebtxtfile.h>
#include <qeb/qebtype.h>

#include <cstdio>
#include <cstring>

int main() {
    QebString greeting("colour and colour", true);
    const QebString result = greeting.replace(QebString("colour"), QebString("color"));
    QebReal tenth;
    tenth.assign("0.1");
    QebDatavar total;
    total.assign(tenth + QebReal(0.2));
    const QebString sum = total.asString();
    const QebString line = qebStringFormat("%S: %S", &result, &sum);
    std::printf("%s\n", line.asCstr());
    return std::strcmp(line.asCstr(), "color and color: 0.3") == 0 ? 0 : 1;
}
