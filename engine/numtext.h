// Numbers as text, without the C runtime.
//
// The printf family, strtod and wcstod round and parse differently in
// msvcrt.dll, in mingw's replacements and in glibc, and they follow the
// locale. Everything here is built on std::to_chars / std::from_chars, which
// are compiled into the program: decimal point ".", no grouping, exact
// round-to-nearest with ties to the even digit, identical on every platform.
#pragma once

#include <cstddef>

// "%.<precision>f", "%.<precision>e" and "%.<precision>g" (precision 0..60;
// %g drops trailing zeros as printf does without '#'). Non-finite values give
// "inf", "-inf", "nan", "-nan" as glibc's printf writes them.
// Writes into a narrow buffer of `size` bytes, terminated; returns the length,
// or -1 when the text does not fit (the buffer then holds the empty text).
int formatFixed(char* buffer, int size, double value, int precision);
int formatScientific(char* buffer, int size, double value, int precision);
int formatGeneral(char* buffer, int size, double value, int precision);

// The decimals of the shortest text that reads back as the same double (the
// digits std::to_chars gives without a precision), counted as if the number
// were written without an exponent: 0.125 has 3, 250 and 1e21 have none,
// 1e-7 has 7. Non-finite values have none.
int shortestDecimals(double value);

// Reads an unsigned number at `text` the way strtod reads it once the sign is
// taken: decimal digits with at most one '.', an optional exponent, or
// hexadecimal "0x"/"0X" digits with at most one '.' and an optional binary
// exponent "p". No white space, no sign, no inf/nan. A value too large becomes
// +infinity, one too small 0 or subnormal (correctly rounded, as strtod).
// Returns the number of characters consumed, 0 when no number starts here
// (then *value is 0). `end` may be null for a terminated text.
size_t readUnsignedNumber(const char* text, const char* end, double* value);

// The wide-string-to-double conversion of the input boxes, as wcstod does it
// in the "C" locale: leading white space (space, \t, \n, \v, \f, \r) is
// skipped, then an optional sign, then the longest prefix that forms a decimal
// or hexadecimal number, or "inf", "infinity", "nan", "nan(chars)" in any
// letter case. Whatever follows is ignored; a text with no such prefix gives
// 0 (and *consumed 0). Overflow gives an infinity.
double readWideNumber(const char16_t* text, size_t* consumed);
