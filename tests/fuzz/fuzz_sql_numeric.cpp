// The SQL numeric structure: 19 bytes read as a number give exactly the
// magnitude scaled and signed, and come back unchanged when their digits fit;
// any number written with a precision and scale (the next two bytes; the
// rest of the input is a second number as text) is the number rounded to
// that scale, or the zero structure on failure.
#include "fuzz_support.h"

#include <qeb/qebreal.h>

#include <cstring>

namespace {

const int kDefaultPrecision = 38;
const int kDefaultScale = 10;

unsigned __int128 magnitudeOf(const QE_SQL_NUMERIC_STRUCT &s) {
    unsigned __int128 m = 0;
    for (int i = 15; i >= 0; --i) m = m << 8 | s.val[i];
    return m;
}

std::string digitsOf(unsigned __int128 m) {
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(m % 10)));
        m /= 10;
    } while (m != 0);
    return digits;
}

std::string describe(const QE_SQL_NUMERIC_STRUCT &s) {
    return "precision " + std::to_string(s.precision) + " scale " + std::to_string(s.scale) + " sign " +
           std::to_string(s.sign) + " magnitude " + digitsOf(magnitudeOf(s));
}

// The structure read, and written back with its own scale when it can be.
void checkStructure(const QE_SQL_NUMERIC_STRUCT &in) {
    QebReal x;
    x.assign(&in);
    const std::string digits = digitsOf(magnitudeOf(in));
    const QebReal expected = realOf((in.sign ? "" : "-") + digits + "E" + std::to_string(-int(in.scale)));
    FUZZ_CHECK(x.compare(expected) == 0 && !x.truncated(), "%s reads as %s", describe(in).c_str(), textOf(x).c_str());
    if (in.scale < 0 || in.scale > kDefaultPrecision || magnitudeOf(in) == 0 ||
        digits.size() > size_t(kDefaultPrecision))
        return;
    QE_SQL_NUMERIC_STRUCT out;
    bool failed = true;
    x.asSQLNumeric(&out, &failed, kDefaultPrecision, in.scale);
    FUZZ_CHECK(!failed && std::memcmp(out.val, in.val, sizeof in.val) == 0 && out.scale == in.scale &&
                   out.sign == (in.sign ? 1 : 0) && out.precision == digits.size(),
               "%s comes back as %s", describe(in).c_str(), describe(out).c_str());
}

void checkWritten(const QebReal &x, int precision, int scale) {
    QE_SQL_NUMERIC_STRUCT out;
    std::memset(&out, 0xA5, sizeof out);
    bool failed = false;
    x.asSQLNumeric(&out, &failed, precision, scale);
    const std::string what = textOf(x) + " at precision " + std::to_string(precision) + " scale " +
                             std::to_string(scale) + " gives " + describe(out);
    const unsigned __int128 magnitude = magnitudeOf(out);
    if (failed || x == 0.0) {
        const bool zero = out.precision == 0 && out.scale == 0 && out.sign == 1 && magnitude == 0;
        FUZZ_CHECK(zero && failed == !(x == 0.0), "%s, failure %d", what.c_str(), failed);
        return;
    }
    const int expectedPrecision = precision < 0 ? kDefaultPrecision : precision;
    const int expectedScale = scale < 0 ? kDefaultScale : scale;
    QebReal back;
    back.assign(&out);
    FUZZ_CHECK(out.scale == expectedScale && magnitude != 0 && out.precision == digitsOf(magnitude).size() &&
                   out.precision <= expectedPrecision && (out.sign == 0) == (x < 0.0) &&
                   withinHalfUnit(x, back, "1E" + std::to_string(-expectedScale)),
               "%s", what.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    QE_SQL_NUMERIC_STRUCT in;
    std::vector<uint8_t> bytes = input.ConsumeBytes<uint8_t>(sizeof in);
    bytes.resize(sizeof in);
    std::memcpy(&in, bytes.data(), sizeof in);
    const int precision = input.ConsumeIntegralInRange(-1, 60);
    const int scale = input.ConsumeIntegralInRange(-1, 130);
    checkStructure(in);
    QebReal fromStructure;
    fromStructure.assign(&in);
    checkWritten(fromStructure, precision, scale);
    checkWritten(realOf(input.ConsumeRemainingBytesAsString()), precision, scale);
    return 0;
}
