// Bounded UTF-16 text: every writer in the program goes through these.
//
// Texts are char16_t in the core (UTF-16 code units on every platform, so a
// capacity means the same thing natively and on Windows) and become wchar_t
// only at the Win32 boundary. Every capacity counts the terminator.
//
//   bounded copy    keeps at most capacity - 1 units, terminator in the last unit
//   bounded append  adds at most capacity - 1 - length units, nothing once the
//                   text holds capacity - 1 units
//   bounded format  writes at most capacity - 1 units, always terminates and
//                   returns -1 when it had to cut
//
// A capacity below 1 means there is no room even for the terminator: nothing
// is written at all.
#pragma once

#include <cstdarg>
#include <cstddef>

// The accumulator behind every bounded writer, in the manner of SQLite's
// StrAccum: it knows its buffer, its capacity and whether it had to cut.
// The text is terminated after every operation.
struct TextAccum {
    char16_t* text;      // caller-owned buffer
    size_t capacity;     // units, terminator included; 0 = no buffer
    size_t length;       // units before the terminator
    bool cut;            // something did not fit
};

// Starts an accumulator on an empty text (the first unit becomes 0).
void accumStart(TextAccum& acc, char16_t* buffer, int capacity);
// Starts an accumulator after the text the buffer already holds.
void accumContinue(TextAccum& acc, char16_t* buffer, int capacity);
void accumAppend(TextAccum& acc, const char16_t* units, size_t count);
void accumAppendText(TextAccum& acc, const char16_t* text);
void accumAppendUnit(TextAccum& acc, char16_t unit);
// ASCII (or any 8-bit text, byte for byte as code units).
void accumAppendAscii(TextAccum& acc, const char* text, size_t count);
// printf-style formatting into the accumulator (see formatText).
void accumFormatV(TextAccum& acc, const char16_t* format, va_list args);
void accumFormat(TextAccum& acc, const char16_t* format, ...);

// Length in units of a terminated text; a null text has length 0.
size_t textLength(const char16_t* text);
size_t asciiLength(const char* text);
bool textEquals(const char16_t* a, const char16_t* b);

// Bounded copy. A null source copies as the empty text.
void textCopy(char16_t* dest, int capacity, const char16_t* source);

// Bounded append of a whole text or of count units. Returns 0, or -1 when
// anything was dropped.
int textAppend(char16_t* dest, int capacity, const char16_t* source);
int textAppendUnits(char16_t* dest, int capacity, const char16_t* source, size_t count);

// Bounded printf-style formatting. Returns the number of units written, or -1
// when the text had to be cut (it is still terminated).
//
// Conversions understood, with the usual printf meanings:
//   %ls  char16_t* text (null prints as the empty text)
//   %s   char* ASCII text
//   %c   one code unit (passed as int)
//   %d %i %u %x   int / unsigned;  %lld %llu  long long
//   %f %e %g      double, with precision (%.2f, %.6g); %% a percent sign
// Flags '0', '-', '+', ' ' and a field width are honoured. Numbers are written
// by the program's own locale-independent conversions (numtext.h), never by
// the C runtime.
int formatText(char16_t* dest, int capacity, const char16_t* format, ...);
int formatTextV(char16_t* dest, int capacity, const char16_t* format, va_list args);

// The files the program writes (the self-test report, the record log) are
// UTF-8.
//
// UTF-16 to UTF-8, lone surrogates as U+FFFD (as WideCharToMultiByte does).
// Writes at most `size` bytes, no terminator; returns the byte count, or -1
// when the text does not fit (nothing usable is written then).
int utf16ToUtf8(const char16_t* text, size_t length, char* out, size_t size);
// Bytes the UTF-8 form of `length` units needs.
size_t utf8Size(const char16_t* text, size_t length);
