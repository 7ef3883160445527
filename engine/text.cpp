#include "engine/text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>

#include "engine/numtext.h"

void accumStart(TextAccum& acc, char16_t* buffer, int capacity) {
    acc.text = buffer;
    acc.capacity = (buffer != nullptr && capacity > 0) ? static_cast<size_t>(capacity) : 0;
    acc.length = 0;
    acc.cut = false;
    if (acc.capacity > 0) acc.text[0] = 0;
}

void accumContinue(TextAccum& acc, char16_t* buffer, int capacity) {
    accumStart(acc, nullptr, 0);
    acc.text = buffer;
    acc.capacity = (buffer != nullptr && capacity > 0) ? static_cast<size_t>(capacity) : 0;
    if (acc.capacity == 0) return;
    // Never trust the text to be terminated within the capacity.
    size_t length = 0;
    while (length < acc.capacity - 1 && buffer[length] != 0) ++length;
    buffer[length] = 0;
    acc.length = length;
}

void accumAppend(TextAccum& acc, const char16_t* units, size_t count) {
    if (count == 0) return;
    if (acc.capacity == 0) {
        acc.cut = true;
        return;
    }
    size_t room = acc.capacity - 1 - acc.length;
    size_t take = count;
    if (take > room) {
        take = room;
        acc.cut = true;
    }
    for (size_t i = 0; i < take; ++i) acc.text[acc.length + i] = units[i];
    acc.length += take;
    acc.text[acc.length] = 0;
}

void accumAppendText(TextAccum& acc, const char16_t* text) {
    if (text != nullptr) accumAppend(acc, text, textLength(text));
}

void accumAppendUnit(TextAccum& acc, char16_t unit) { accumAppend(acc, &unit, 1); }

void accumAppendAscii(TextAccum& acc, const char* text, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        accumAppendUnit(acc, static_cast<char16_t>(static_cast<unsigned char>(text[i])));
    }
}

namespace {

void appendRepeated(TextAccum& acc, char16_t unit, int count) {
    for (int i = 0; i < count; ++i) accumAppendUnit(acc, unit);
}

// Writes `body` padded to `width`: spaces on the left, spaces on the right
// ('-'), or zeros after the sign ('0', numbers only).
void appendPadded(TextAccum& acc, const char* body, int length, int width, bool leftAlign, bool zeroPad) {
    int pad = width > length ? width - length : 0;
    if (leftAlign) {
        accumAppendAscii(acc, body, static_cast<size_t>(length));
        appendRepeated(acc, u' ', pad);
        return;
    }
    if (zeroPad) {
        int signLength = (length > 0 && (body[0] == '-' || body[0] == '+' || body[0] == ' ')) ? 1 : 0;
        accumAppendAscii(acc, body, static_cast<size_t>(signLength));
        appendRepeated(acc, u'0', pad);
        accumAppendAscii(acc, body + signLength, static_cast<size_t>(length - signLength));
        return;
    }
    appendRepeated(acc, u' ', pad);
    accumAppendAscii(acc, body, static_cast<size_t>(length));
}

struct Spec {
    bool leftAlign = false;
    bool zeroPad = false;
    bool plus = false;
    bool space = false;
    int width = 0;
    int precision = -1;
    int longs = 0;        // 'l' count
    char conversion = 0;
};

// Adds the sign flag's '+' or ' ' in front of a non-negative number text.
int withSignFlag(const Spec& spec, char* text, int length, int capacity) {
    if (length < 0 || text[0] == '-' || (!spec.plus && !spec.space)) return length;
    if (length + 2 > capacity) return length;
    for (int i = length; i >= 0; --i) text[i + 1] = text[i];
    text[0] = spec.plus ? '+' : ' ';
    return length + 1;
}

}  // namespace

void accumFormatV(TextAccum& acc, const char16_t* format, va_list args) {
    if (format == nullptr) return;
    for (const char16_t* p = format; *p != 0; ++p) {
        if (*p != u'%') {
            const char16_t* run = p;
            while (p[1] != 0 && p[1] != u'%') ++p;
            accumAppend(acc, run, static_cast<size_t>(p - run + 1));
            continue;
        }
        Spec spec;
        ++p;
        for (;; ++p) {
            if (*p == u'-') spec.leftAlign = true;
            else if (*p == u'0') spec.zeroPad = true;
            else if (*p == u'+') spec.plus = true;
            else if (*p == u' ') spec.space = true;
            else break;
        }
        while (*p >= u'0' && *p <= u'9') {
            if (spec.width < 10000) spec.width = spec.width * 10 + (*p - u'0');
            ++p;
        }
        if (*p == u'.') {
            ++p;
            spec.precision = 0;
            while (*p >= u'0' && *p <= u'9') {
                if (spec.precision < 10000) spec.precision = spec.precision * 10 + (*p - u'0');
                ++p;
            }
        }
        while (*p == u'l') {
            ++spec.longs;
            ++p;
        }
        if (*p == 0) break;   // a lone '%' at the end prints nothing
        spec.conversion = static_cast<char>(*p);

        char number[512];
        int length = -1;
        switch (spec.conversion) {
        case '%':
            accumAppendUnit(acc, u'%');
            continue;
        case 'c': {
            int unit = va_arg(args, int);
            char16_t c = static_cast<char16_t>(unit);
            int pad = spec.width > 1 ? spec.width - 1 : 0;
            if (!spec.leftAlign) appendRepeated(acc, u' ', pad);
            accumAppendUnit(acc, c);
            if (spec.leftAlign) appendRepeated(acc, u' ', pad);
            continue;
        }
        case 's': {
            size_t textLen = 0;
            if (spec.longs > 0) {
                const char16_t* s = va_arg(args, const char16_t*);
                textLen = textLength(s);
                if (spec.precision >= 0 && textLen > static_cast<size_t>(spec.precision)) textLen = static_cast<size_t>(spec.precision);
                int pad = spec.width > static_cast<int>(textLen) ? spec.width - static_cast<int>(textLen) : 0;
                if (!spec.leftAlign) appendRepeated(acc, u' ', pad);
                if (s != nullptr) accumAppend(acc, s, textLen);
                if (spec.leftAlign) appendRepeated(acc, u' ', pad);
            } else {
                const char* s = va_arg(args, const char*);
                textLen = asciiLength(s);
                if (spec.precision >= 0 && textLen > static_cast<size_t>(spec.precision)) textLen = static_cast<size_t>(spec.precision);
                int pad = spec.width > static_cast<int>(textLen) ? spec.width - static_cast<int>(textLen) : 0;
                if (!spec.leftAlign) appendRepeated(acc, u' ', pad);
                if (s != nullptr) accumAppendAscii(acc, s, textLen);
                if (spec.leftAlign) appendRepeated(acc, u' ', pad);
            }
            continue;
        }
        case 'd':
        case 'i': {
            long long v = spec.longs >= 2 ? va_arg(args, long long)
                        : spec.longs == 1 ? static_cast<long long>(va_arg(args, long))
                                          : static_cast<long long>(va_arg(args, int));
            std::to_chars_result r = std::to_chars(number, number + sizeof number - 1, v);
            *r.ptr = 0;
            length = withSignFlag(spec, number, static_cast<int>(r.ptr - number), sizeof number);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long long v = spec.longs >= 2 ? va_arg(args, unsigned long long)
                                 : spec.longs == 1 ? static_cast<unsigned long long>(va_arg(args, unsigned long))
                                                   : static_cast<unsigned long long>(va_arg(args, unsigned));
            std::to_chars_result r = std::to_chars(number, number + sizeof number - 1, v, spec.conversion == 'u' ? 10 : 16);
            *r.ptr = 0;
            if (spec.conversion == 'X') {
                for (char* q = number; q < r.ptr; ++q) {
                    if (*q >= 'a' && *q <= 'f') *q = static_cast<char>(*q - 32);
                }
            }
            length = static_cast<int>(r.ptr - number);
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            double v = va_arg(args, double);
            int precision = spec.precision < 0 ? 6 : (spec.precision > 60 ? 60 : spec.precision);
            char c = spec.conversion;
            if (c == 'f' || c == 'F') length = formatFixed(number, sizeof number, v, precision);
            else if (c == 'e' || c == 'E') length = formatScientific(number, sizeof number, v, precision);
            else length = formatGeneral(number, sizeof number, v, precision);
            if (length < 0) {
                // Wider than any buffer here (only %f of values beyond 1e450
                // with a large precision): show the scientific form instead.
                length = formatScientific(number, sizeof number, v, precision);
            }
            if (c == 'F' || c == 'E' || c == 'G') {
                for (int q = 0; q < length; ++q) {
                    if (number[q] >= 'a' && number[q] <= 'z') number[q] = static_cast<char>(number[q] - 32);
                }
            }
            length = withSignFlag(spec, number, length, sizeof number);
            if (!std::isfinite(v)) spec.zeroPad = false;
            break;
        }
        default:
            // Unknown conversion: print it as it stands.
            accumAppendUnit(acc, u'%');
            accumAppendUnit(acc, *p);
            continue;
        }
        if (length < 0) length = 0;
        appendPadded(acc, number, length, spec.width, spec.leftAlign, spec.zeroPad);
    }
}

void accumFormat(TextAccum& acc, const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    accumFormatV(acc, format, args);
    va_end(args);
}

size_t textLength(const char16_t* text) {
    if (text == nullptr) return 0;
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

size_t asciiLength(const char* text) {
    if (text == nullptr) return 0;
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

bool textEquals(const char16_t* a, const char16_t* b) {
    if (a == nullptr) a = u"";
    if (b == nullptr) b = u"";
    size_t i = 0;
    for (; a[i] != 0 && a[i] == b[i]; ++i) {
    }
    return a[i] == b[i];
}

void textCopy(char16_t* dest, int capacity, const char16_t* source) {
    TextAccum acc;
    accumStart(acc, dest, capacity);
    accumAppendText(acc, source);
}

int textAppend(char16_t* dest, int capacity, const char16_t* source) {
    return textAppendUnits(dest, capacity, source, textLength(source));
}

int textAppendUnits(char16_t* dest, int capacity, const char16_t* source, size_t count) {
    TextAccum acc;
    accumContinue(acc, dest, capacity);
    if (source != nullptr) accumAppend(acc, source, count);
    return acc.cut ? -1 : 0;
}

int formatTextV(char16_t* dest, int capacity, const char16_t* format, va_list args) {
    TextAccum acc;
    accumStart(acc, dest, capacity);
    accumFormatV(acc, format, args);
    if (acc.cut) return -1;
    return acc.length > static_cast<size_t>(INT_MAX) ? -1 : static_cast<int>(acc.length);
}

int formatText(char16_t* dest, int capacity, const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    int result = formatTextV(dest, capacity, format, args);
    va_end(args);
    return result;
}

size_t utf8Size(const char16_t* text, size_t length) {
    size_t bytes = 0;
    for (size_t i = 0; i < length; ++i) {
        char16_t u = text[i];
        if (u < 0x80) bytes += 1;
        else if (u < 0x800) bytes += 2;
        else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3;   // any other unit, a lone surrogate as U+FFFD
        }
    }
    return bytes;
}

int utf16ToUtf8(const char16_t* text, size_t length, char* out, size_t size) {
    size_t needed = utf8Size(text, length);
    if (needed > size || needed > 0x7FFFFFFF) return -1;
    size_t n = 0;
    auto put = [&](unsigned value) { out[n++] = static_cast<char>(static_cast<unsigned char>(value)); };
    for (size_t i = 0; i < length; ++i) {
        unsigned u = text[i];
        if (u < 0x80) {
            put(u);
        } else if (u < 0x800) {
            put(0xC0 | (u >> 6));
            put(0x80 | (u & 0x3F));
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            unsigned c = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
            put(0xE0 | (u >> 12));
            put(0x80 | ((u >> 6) & 0x3F));
            put(0x80 | (u & 0x3F));
        }
    }
    return static_cast<int>(n);
}
