#include <qeb/qebmessage.h>

#include "qemsg1.h"

#include <cstdarg>

QebString qeb_get_message(const char *file, int line, const char *domain, int code, ...) {
    char buffer[QEMSG1_BUFFER_SIZE];
    va_list args;
    va_start(args, code);
    qemsg1_get_vmessage(file, line, domain, code, buffer, args, 0);
    va_end(args);
    return QebString(buffer, false);
}

QebString qeb_get_fragment(int code, ...) {
    char buffer[QEMSG1_BUFFER_SIZE];
    va_list args;
    va_start(args, code);
    qemsg1_get_vfragment(code, buffer, args, code, 0);
    va_end(args);
    return QebString(buffer, false);
}
