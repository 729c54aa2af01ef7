// Reading text input of any supported encoding through QebTxtFile.
#ifndef QEB_TOOL_TEXT_INPUT_H
#define QEB_TOOL_TEXT_INPUT_H

#include <qeb/qebtxtfile.h>

#include <string>

// The encoding named by the --encoding option (any case: auto, UTF-8,
// UTF-16LE, UTF-16BE, ISO-8859-1, windows-1252), or -1.
int encodingByName(const std::string &name);

// Opens path (standard input for null or "-") for reading in `encoding`;
// with qebEncodingAuto a byte-order mark decides, and a mark of the encoding
// in use is skipped. False, with the catalogue message reported, when it
// cannot be opened.
bool openTextInput(QebTxtFile &file, const char *path, int encoding);

// Reads the next whole line without its line end into *line; false at the
// end of the input, and false with *failed set (and the catalogue message
// reported) when the input cannot be read.
bool readTextLine(QebTxtFile &file, std::string *line, bool *failed);

#endif
