// Catalogue messages: every code the library raises, with values of its
// kinds; unknown codes; texts longer than the buffer.
#include <qeb/qebmessage.h>

#include "qemsg1.h"
#include "test_support.h"

#include <algorithm>
#include <cstring>

namespace {

using Message = PoolLeakCheck;

// The values each code takes, in order: 's' a text, 'd' an int.
struct Code { int code; const char *domain, *kinds; };

const char *const kBase = "Base Services";
const char *const kEvent = "Event Plugin";

const Code kCodes[] = {
    {29, kEvent, "s"},      {97, kBase, "s"},       {332, kBase, "dss"},    {332, kEvent, "dss"},
    {333, kBase, "ss"},     {335, kBase, ""},       {336, kBase, ""},       {337, kBase, ""},
    {377, kBase, "s"},      {377, kEvent, "s"},     {378, kBase, "d"},      {378, kEvent, "d"},
    {380, kBase, "s"},      {380, kEvent, "s"},     {444, kBase, ""},       {445, kBase, "s"},
    {446, kBase, "s"},      {447, kBase, "s"},      {448, kBase, ""},       {449, kBase, "ss"},
    {450, kBase, ""},       {451, kBase, ""},       {452, kBase, ""},       {453, kBase, "s"},
    {454, kBase, "s"},      {467, kBase, "sd"},     {471, kBase, "s"},      {1352, kBase, "sd"},
    {1353, kBase, "ss"},
};

// Calls qeb_get_message with the values its kinds ask for: texts t0, t1 and
// the number n in the order the kinds give.
QebString format(const Code &c, const char *t0, const char *t1, int n) {
    const auto message = [&c](auto... values) {
        return qeb_get_message("src/qebtest", __LINE__, c.domain, c.code, values...);
    };
    const std::string kinds = c.kinds;
    if (kinds == "s") return message(t0);
    if (kinds == "d") return message(n);
    if (kinds == "ss") return message(t0, t1);
    if (kinds == "sd") return message(t0, n);
    if (kinds == "dss") return message(n, t0, t1);
    EXPECT_EQ(kinds, "");
    return message();
}

TEST_F(Message, EveryCodeUsesItsValuesInOrder) {
    const std::string texts[] = {"/data/\xC3\xA9t\xC3\xA9 one", "second \xE2\x82\xAC text"}, number = "-4242";
    for (const Code &c : kCodes) {
        SCOPED_TRACE(std::to_string(c.code) + " " + c.domain);
        const std::string text = format(c, texts[0].c_str(), texts[1].c_str(), -4242).asCstr();
        EXPECT_EQ(text.find("No message"), std::string::npos) << text;
        size_t at = 0, ti = 0;
        for (const char *k = c.kinds; *k; ++k) {
            const std::string value = *k == 's' ? texts[ti++] : number;
            const size_t found = text.find(value, at);
            ASSERT_NE(found, std::string::npos) << "value " << value << " missing or out of order in: " << text;
            at = found + value.size();
        }
        EXPECT_EQ(text.find('%'), std::string::npos) << text;
        EXPECT_NE(text.back(), ' ');
    }
}

TEST_F(Message, EmptyAndNullTextValuesLeaveNoTrailingBlank) {
    for (const char *value : {"", static_cast<const char *>(nullptr)})
        EXPECT_EQ(textOf(qeb_get_message("f", 1, kEvent, 29, value)), "Not enough memory to prepare the command.");
}

TEST_F(Message, UnknownCodesAndDomainsNameBoth) {
    const struct { const char *domain; int code; std::string want; } cases[] = {
        {kBase, 12345, "No message 12345 in the domain \"Base Services\" of the catalogue."},
        {"Elsewhere", 445, "No message 445 in the domain \"Elsewhere\" of the catalogue."},
        {kEvent, 445, "No message 445 in the domain \"Event Plugin\" of the catalogue."},  // only in Base Services
        {nullptr, 444, "No message 444 in the domain \"\" of the catalogue."},
    };
    for (const auto &c : cases) EXPECT_EQ(textOf(qeb_get_message("f", 1, c.domain, c.code, "unused")), c.want);
}

TEST_F(Message, FragmentsByCodeAlone) {
    EXPECT_EQ(textOf(qeb_get_fragment(445, "/x")), "The directory \"/x\" does not exist.");
    EXPECT_EQ(textOf(qeb_get_fragment(29, "")), "Not enough memory to prepare the command.");
    EXPECT_EQ(textOf(qeb_get_fragment(9999)), "No message fragment 9999 in the catalogue.");
}

// A va_list of the values that follow, for the library's own calls.
int vmessage(char *buffer, int code, ...) {
    va_list args;
    va_start(args, code);
    const int n = qemsg1_get_vmessage("f", 1, kBase, code, buffer, args, 0);
    va_end(args);
    return n;
}

TEST_F(Message, LongValuesAreCutAtAWholeCharacterInsideTheBuffer) {
    // Guard bytes after the buffer catch a write past its end.
    for (const std::string unit : {"a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
        for (size_t pad = 0; pad < 4; ++pad) {
            std::string path(pad, 'p');
            while (path.size() < 5000) path += unit;
            char buffer[QEMSG1_BUFFER_SIZE + 16];
            std::fill(buffer, buffer + sizeof buffer, '\x5A');
            const int n = vmessage(buffer, 1353, path.c_str(), "described");
            ASSERT_LT(n, QEMSG1_BUFFER_SIZE);
            EXPECT_EQ(size_t(n), std::strlen(buffer));
            EXPECT_GT(n, QEMSG1_BUFFER_SIZE - 5);
            for (size_t i = QEMSG1_BUFFER_SIZE; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '\x5A');
            // The text is the start of the full message, ending at a whole character.
            const std::string full = "Cannot open the file \"" + path + "\": described";
            EXPECT_EQ(full.compare(0, size_t(n), buffer), 0);
            EXPECT_NE(static_cast<unsigned char>(full[size_t(n)]) & 0xC0, 0x80u) << unit << pad;
        }
    }
}

}  // namespace
