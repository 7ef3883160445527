#include "engine/numtext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

// glibc's printf spelling of the non-finite values.
int formatNonFinite(char* buffer, int size, double value) {
    const char* text = std::isnan(value) ? (std::signbit(value) ? "-nan" : "nan")
                                         : (value < 0 ? "-inf" : "inf");
    int length = 0;
    while (text[length] != 0) ++length;
    if (length + 1 > size) {
        if (size > 0) buffer[0] = 0;
        return -1;
    }
    for (int i = 0; i <= length; ++i) buffer[i] = text[i];
    return length;
}

int formatWith(char* buffer, int size, double value, std::chars_format format, int precision) {
    if (size < 1) return -1;
    if (!std::isfinite(value)) return formatNonFinite(buffer, size, value);
    if (precision < 0) precision = 6;
    // to_chars writes no terminator: keep one unit for it.
    std::to_chars_result r = std::to_chars(buffer, buffer + (size - 1), value, format, precision);
    if (r.ec != std::errc()) {
        buffer[0] = 0;
        return -1;
    }
    *r.ptr = 0;
    return static_cast<int>(r.ptr - buffer);
}

bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isHexDigit(int c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Powers of ten that a double holds exactly (10^0 .. 10^22).
constexpr double EXACT_POWERS_OF_TEN[] = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};
static_assert(sizeof EXACT_POWERS_OF_TEN / sizeof EXACT_POWERS_OF_TEN[0] == 23);

// A character source that reads 0 at the end, so the scanners below never
// look past `end` (or past the terminator when there is no end).
template <typename Char>
struct Source {
    const Char* begin;
    const Char* end;   // null: terminated text
    int at(size_t i) const {
        if (end != nullptr && begin + i >= end) return 0;
        int c = static_cast<int>(begin[i]);
        return c;
    }
};

// Saturating reader of an exponent's decimal digits; a huge exponent is as
// good as 100000 for deciding between 0 and infinity.
long readExponentDigits(const Source<char>& s, size_t& i) {
    long e = 0;
    while (isDigit(s.at(i))) {
        if (e < 100000) e = e * 10 + (s.at(i) - '0');
        ++i;
    }
    return e;
}

// Scans the number's extent (strtod's grammar, no sign), fills the facts the
// fallbacks need and returns the characters it covers, 0 when none.
struct Scan {
    size_t length = 0;
    bool hex = false;
    size_t digitsStart = 0;     // after "0x" for hex
    bool plainInteger = true;   // digits only, no '.' or exponent
    int significantDigits = 0;  // decimal: digits after leading zeros (capped)
    int fractionDigits = 0;     // decimal: digits after the point
    uint64_t mantissa = 0;      // decimal: first digits, valid while significantDigits <= 19
    long magnitude = 0;         // rough exponent: > 0 means the value is huge, < 0 tiny
};

Scan scanNumber(const Source<char>& s) {
    Scan scan;
    size_t i = 0;
    if (s.at(0) == '0' && (s.at(1) == 'x' || s.at(1) == 'X')) {
        size_t j = 2;
        int intDigits = 0, leadingFractionZeros = 0;
        bool anyDigit = false, nonZeroSeen = false;
        while (isHexDigit(s.at(j))) {
            anyDigit = true;
            if (s.at(j) != '0') nonZeroSeen = true;
            if (nonZeroSeen && intDigits < 100000) ++intDigits;
            ++j;
        }
        if (s.at(j) == '.') {
            size_t k = j + 1;
            while (isHexDigit(s.at(k))) {
                anyDigit = true;
                if (s.at(k) != '0') nonZeroSeen = true;
                else if (!nonZeroSeen && leadingFractionZeros < 100000) ++leadingFractionZeros;
                ++k;
            }
            if (anyDigit) j = k;
        }
        if (!anyDigit) {
            // "0x" with no hex digit: the 0 alone is the number.
            scan.length = 1;
            return scan;
        }
        long exponent = 0;
        if (s.at(j) == 'p' || s.at(j) == 'P') {
            size_t k = j + 1;
            bool negative = false;
            if (s.at(k) == '+' || s.at(k) == '-') { negative = s.at(k) == '-'; ++k; }
            if (isDigit(s.at(k))) {
                exponent = readExponentDigits(s, k);
                if (negative) exponent = -exponent;
                j = k;
            }
        }
        scan.hex = true;
        scan.plainInteger = false;
        scan.digitsStart = 2;
        scan.length = j;
        scan.magnitude = (intDigits > 0 ? 4L * intDigits : -4L * leadingFractionZeros) + exponent;
        return scan;
    }

    int intDigits = 0, leadingFractionZeros = 0;
    bool anyDigit = false, nonZeroSeen = false;
    auto takeDigit = [&](int c, bool fraction) {
        anyDigit = true;
        if (c != '0') nonZeroSeen = true;
        if (nonZeroSeen) {
            if (scan.significantDigits < 20) {
                scan.mantissa = scan.mantissa * 10 + static_cast<uint64_t>(c - '0');
                ++scan.significantDigits;
            } else {
                scan.significantDigits = 21;   // too many for the fast path
            }
            if (!fraction && intDigits < 100000) ++intDigits;
        } else if (fraction && leadingFractionZeros < 100000) {
            ++leadingFractionZeros;
        }
        if (fraction && scan.fractionDigits < 100000) ++scan.fractionDigits;
    };
    while (isDigit(s.at(i))) takeDigit(s.at(i++), false);
    if (s.at(i) == '.') {
        size_t k = i + 1;
        bool digitsBefore = anyDigit;
        while (isDigit(s.at(k))) takeDigit(s.at(k++), true);
        if (anyDigit) {
            i = k;
            scan.plainInteger = false;
        } else {
            (void)digitsBefore;
        }
    }
    if (!anyDigit) return scan;   // no number (a lone '.')
    long exponent = 0;
    if (s.at(i) == 'e' || s.at(i) == 'E') {
        size_t k = i + 1;
        bool negative = false;
        if (s.at(k) == '+' || s.at(k) == '-') { negative = s.at(k) == '-'; ++k; }
        if (isDigit(s.at(k))) {
            exponent = readExponentDigits(s, k);
            if (negative) exponent = -exponent;
            i = k;
            scan.plainInteger = false;
            scan.fractionDigits = 100000;   // leave exponents to the general reader
        }
    }
    scan.length = i;
    scan.magnitude = (intDigits > 0 ? static_cast<long>(intDigits) : -static_cast<long>(leadingFractionZeros)) + exponent;
    return scan;
}

// ---- Wide numbers of any length --------------------------------------------

// Significant digits kept by shortenNumber. A double's decision points (the
// doubles and the midpoints between them) have at most 768 significant
// decimal digits, so 800 digits and one sticky digit for whatever nonzero
// follows round as the whole text does; 40 hex digits are 160 bits.
constexpr int KEPT_DECIMAL_DIGITS = 800;
constexpr int KEPT_HEX_DIGITS = 40;
// Digits, the sticky digit, "0x", the exponent letter, its sign and digits.
constexpr size_t SHORT_NUMBER_CAPACITY = KEPT_DECIMAL_DIGITS + 32;
// An exponent this large already decides between 0 and infinity, and no
// text is long enough for its digit count to come near it.
constexpr long long EXPONENT_LIMIT = 1000000000000000LL;

long long clampExponent(long long e) {
    return e > EXPONENT_LIMIT ? EXPONENT_LIMIT : (e < -EXPONENT_LIMIT ? -EXPONENT_LIMIT : e);
}

// Reads the unsigned number at `text` (strtod's grammar, as scanNumber) and
// writes the same value as "<digits>e<exponent>" or "0x<digits>p<exponent>"
// into `out` (SHORT_NUMBER_CAPACITY bytes): leading zeros dropped, at most
// the kept digits and a sticky 1 when a nonzero digit was dropped. Returns
// the characters of `text` the number covers, 0 when none starts there.
size_t shortenNumber(const char16_t* text, char* out) {
    auto digitValue = [](char16_t c, bool hex) -> int {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (hex && c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (hex && c >= u'A' && c <= u'F') return c - u'A' + 10;
        return -1;
    };
    const bool hex = text[0] == u'0' && (text[1] == u'x' || text[1] == u'X') &&
                     (digitValue(text[2], true) >= 0 || (text[2] == u'.' && digitValue(text[3], true) >= 0));
    const int kept = hex ? KEPT_HEX_DIGITS : KEPT_DECIMAL_DIGITS;
    const long long step = hex ? 4 : 1;   // exponent units per digit position
    size_t n = 0;
    if (hex) {
        out[n++] = '0';
        out[n++] = 'x';
    }
    int keptCount = 0;
    bool sticky = false;
    bool anyDigit = false;
    long long adjust = 0;   // value = digits * base^adjust
    size_t i = hex ? 2 : 0;
    auto take = [&](int d, bool fraction) {
        anyDigit = true;
        if (keptCount == 0 && d == 0) {
            if (fraction) adjust -= step;   // a leading zero of the fraction
            return;
        }
        if (keptCount < kept) {
            out[n++] = "0123456789abcdef"[d];
            ++keptCount;
            if (fraction) adjust -= step;
        } else {
            if (d != 0) sticky = true;
            if (!fraction) adjust += step;   // a dropped integer digit
        }
        adjust = clampExponent(adjust);
    };
    while (digitValue(text[i], hex) >= 0) take(digitValue(text[i++], hex), false);
    if (text[i] == u'.' && (anyDigit || digitValue(text[i + 1], hex) >= 0)) {
        ++i;
        while (digitValue(text[i], hex) >= 0) take(digitValue(text[i++], hex), true);
    }
    if (!anyDigit) return 0;   // a lone '.' or no digit at all

    if (sticky) {
        out[n++] = '1';
        adjust = clampExponent(adjust - step);
    }
    if (keptCount == 0 && !sticky) out[n++] = '0';
    const char16_t mark = hex ? u'p' : u'e';
    if (text[i] == mark || text[i] == mark - 32) {
        size_t k = i + 1;
        bool negative = false;
        if (text[k] == u'+' || text[k] == u'-') negative = text[k++] == u'-';
        if (text[k] >= u'0' && text[k] <= u'9') {
            long long e = 0;
            while (text[k] >= u'0' && text[k] <= u'9') {
                if (e < EXPONENT_LIMIT) e = e * 10 + (text[k] - u'0');
                ++k;
            }
            adjust = clampExponent(adjust + (negative ? -e : e));
            i = k;
        }
    }
    out[n++] = hex ? 'p' : 'e';
    std::to_chars_result r = std::to_chars(out + n, out + SHORT_NUMBER_CAPACITY - 1, adjust);
    *r.ptr = 0;
    return i;
}

}  // namespace

int formatFixed(char* buffer, int size, double value, int precision) {
    return formatWith(buffer, size, value, std::chars_format::fixed, precision);
}

int formatScientific(char* buffer, int size, double value, int precision) {
    return formatWith(buffer, size, value, std::chars_format::scientific, precision);
}

int formatGeneral(char* buffer, int size, double value, int precision) {
    if (precision == 0) precision = 1;   // as printf: %.0g means one digit
    return formatWith(buffer, size, value, std::chars_format::general, precision);
}

int shortestDecimals(double value) {
    if (!std::isfinite(value)) return 0;
    // "-d.ddde-xx" at most: 17 digits, sign, point and a three-digit exponent.
    char text[32];
    std::to_chars_result r = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    if (r.ec != std::errc()) return 0;
    int digits = 0;
    const char* p = text;
    for (; p < r.ptr && *p != 'e'; ++p) {
        if (isDigit(*p)) ++digits;
    }
    int exponent = 0;
    if (p < r.ptr) {
        ++p;
        const bool negative = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        for (; p < r.ptr; ++p) exponent = exponent * 10 + (*p - '0');
        if (negative) exponent = -exponent;
    }
    // d.ddd × 10^e has digits - 1 decimals, shifted by the exponent.
    const int decimals = digits - 1 - exponent;
    return decimals > 0 ? decimals : 0;
}

size_t readUnsignedNumber(const char* text, const char* end, double* value) {
    *value = 0.0;
    if (text == nullptr) return 0;
    Source<char> s{text, end};
    Scan scan = scanNumber(s);
    if (scan.length == 0) return 0;
    if (scan.length == 1 && !isDigit(s.at(0))) return 0;

    // Fast paths: up to 15 significant digits are exact in a double, and
    // dividing by an exact power of ten rounds correctly (Clinger).
    if (!scan.hex && scan.significantDigits <= 15) {
        if (scan.plainInteger) {
            *value = static_cast<double>(scan.mantissa);
            return scan.length;
        }
        if (scan.fractionDigits <= 22) {
            *value = static_cast<double>(scan.mantissa) / EXACT_POWERS_OF_TEN[scan.fractionDigits];
            return scan.length;
        }
    }
    if (scan.hex && scan.length == 1) return 1;   // "0x" without digits: 0

    const char* first = text + scan.digitsStart;
    const char* last = text + scan.length;
    double parsed = 0.0;
    std::from_chars_result r = std::from_chars(
        first, last, parsed, scan.hex ? std::chars_format::hex : std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone where strtod gives infinity or 0.
        parsed = scan.magnitude > 0 ? HUGE_VAL : 0.0;
    } else if (r.ec != std::errc() || r.ptr != last) {
        // Cannot happen for a span the scanner accepted; read nothing rather
        // than guess.
        return 0;
    }
    *value = parsed;
    return scan.length;
}

double readWideNumber(const char16_t* text, size_t* consumed) {
    if (consumed != nullptr) *consumed = 0;
    if (text == nullptr) return 0.0;
    size_t i = 0;
    while (text[i] == u' ' || (text[i] >= 9 && text[i] <= 13)) ++i;
    bool negative = false;
    if (text[i] == u'+' || text[i] == u'-') {
        negative = text[i] == u'-';
        ++i;
    }
    auto lower = [](char16_t c) -> char16_t { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; };
    auto matches = [&](size_t at, const char* word) {
        for (size_t k = 0; word[k] != 0; ++k) {
            if (lower(text[at + k]) != static_cast<char16_t>(word[k])) return false;
        }
        return true;
    };
    double value = 0.0;
    size_t length = 0;
    if (matches(i, "inf")) {
        length = matches(i + 3, "inity") ? 8 : 3;
        value = HUGE_VAL;
    } else if (matches(i, "nan")) {
        length = 3;
        if (text[i + 3] == u'(') {
            size_t k = i + 4;
            while ((text[k] >= u'0' && text[k] <= u'9') || (lower(text[k]) >= u'a' && lower(text[k]) <= u'z') ||
                   text[k] == u'_') {
                ++k;
            }
            if (text[k] == u')') length = k + 1 - i;
        }
        value = std::nan("");
    } else {
        // The number's characters are ASCII: rewrite it narrow in a bounded
        // form (see shortenNumber), so a text of any length reads as wcstod
        // reads it, and read that.
        char narrow[SHORT_NUMBER_CAPACITY];
        length = shortenNumber(text + i, narrow);
        if (length == 0) return 0.0;   // no number at all: 0, nothing consumed
        readUnsignedNumber(narrow, nullptr, &value);
    }
    if (consumed != nullptr) *consumed = i + length;
    return negative ? -value : value;
}
