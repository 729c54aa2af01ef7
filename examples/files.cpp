// A UTF-16 text file written and read back, and the folder it is in listed.
#include <qeb/qebdir.h>
#include <qeb/qebtxtfile.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

int main() {
    const std::filesystem::path where = std::filesystem::temp_directory_path() / "qeb-example-files";
    std::filesystem::remove_all(where);
    std::filesystem::create_directory(where);
    const QebString folder(where.string().c_str());
    const QebString path = qebConcatPath(folder, QebString("notes.txt", true));

    QebTxtFile out;
    if (!out.open(path.asCstr(), QebTxtFile::Write, qebEncodingUtf16LE, qebTextByteOrderMark | qebTextCrLf))
        return std::printf("%s\n", out.getErrorMessage().asCstr()), 1;
    out.writeln("Gr\xC3\xBC\xC3\x9F" "e");
    out.write("no line end");
    if (!out.close()) return 1;

    QebTxtFile in;  // the byte-order mark tells the encoding
    if (!in.open(path.asCstr(), QebTxtFile::Read, qebEncodingAuto, qebTextMarkDecides)) return 1;
    std::printf("%lld bytes, encoding %d\n", in.size(), in.getencoding());
    char line[64];
    bool complete = false;
    while (in.readln(line, sizeof line, &complete) >= 0)
        std::printf("[%s]%s\n", line, complete ? "" : " (no line end)");
    in.close();  // Windows removes no folder that holds an open file

    QebTxtFile missing;
    if (!missing.open(qebConcatPath(folder, QebString("missing.txt", true)).asCstr(), QebTxtFile::Read)) {
        // The folder and the separator joining puts after it ('\' on Windows).
        const QebString prefix = qebConcatPath(folder, QebString("", true));
        const QebString message = missing.getErrorMessage().replace(prefix, QebString("FOLDER/", true));
        std::printf("%s\n", message.asCstr());
    }

    QebDirectoryListing listing;
    if (!listing.init(folder, 1)) return 1;
    std::set<std::string> names;
    while (listing.next()) names.insert(std::string(listing.getName().asCstr()) + (listing.isDir() ? "/" : ""));
    for (const std::string &name : names) std::printf("listed %s\n", name.c_str());
    std::filesystem::remove_all(where);
}
