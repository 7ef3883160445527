// The window's own texts and the reading of what the user typed: the
// portable half of the window commands, free of Windows headers.
#pragma once

#include <cstddef>

#include "engine/tool.h"

// The maker's web address, drawn in the header and named in the about box.
// A reserved example domain: the maker's real address is not known to us.
extern const char16_t MAKER_WEB_ADDRESS[];

extern const char16_t HINT_TEXT[];
extern const char16_t READY_STATUS[];
extern const char16_t REFUSED_INPUT_CAPTION[];
extern const char16_t NO_RESULT_MESSAGE[];
extern const char16_t NO_RESULT_CAPTION[];
extern const char16_t COPIED_STATUS[];
extern const char16_t RESET_STATUS[];
extern const char16_t ABOUT_CAPTION[];

// The longest box text read as a number, in code units. No plain number
// needs more; a longer box is refused whole, since a piece of it (200 digits
// cut to 127) would read as a different number.
constexpr int INPUT_TEXT_LIMIT = 127;

// Buffer sizes in code units, terminator included.
// A box is read into one unit more than the limit, so that a longer box
// arrives as a text longer than the limit and is refused.
constexpr int INPUT_TEXT_CAPACITY = INPUT_TEXT_LIMIT + 2;
constexpr int DEFAULT_VALUE_CAPACITY = 64;
constexpr int REFUSED_MESSAGE_CAPACITY = 256;
constexpr int REFERENCE_TEXT_CAPACITY = 512;
constexpr int HEADER_LINE_CAPACITY = 256;
constexpr int WEB_ADDRESS_CAPACITY = 64;
constexpr int ABOUT_TEXT_CAPACITY = 1400;
constexpr int RESULT_TEXT_CAPACITY = 4096;
constexpr int VERDICT_TEXT_CAPACITY = 512;
constexpr int BUTTON_CAPTION_CAPACITY = 64;

struct InputReading {
    double value;    // NaN when refused
    bool accepted;
    bool belowMinimum = false;   // refused as a number below the input's minValue
};

// Reads one input box's text. Full-width forms of ASCII (U+FF01..U+FF5E)
// read as the ASCII characters and U+3000 as U+0020. The box is accepted
// only when it holds exactly one decimal number and nothing else: U+0020
// spaces, an optional sign, digits with at most one point, an optional
// exponent with digits, U+0020 spaces. The number's value is wcstod's, to the
// bit. Refused: a text longer than INPUT_TEXT_LIMIT units, a blank box, any
// other character (a tab, a letter, a comma, a unit, a second number),
// hexadecimal, inf and nan, and a value too large for a double.
InputReading readInputText(const char16_t* text);

// Reads one box as the calculate command takes it: readInputText, then the
// input's lower bound. A number below minValue is refused with belowMinimum
// set, and so is a typed minus zero where the bound is +0 ("-0" would be
// recorded as CRP=-0). A text that is not one number stays a plain refusal.
InputReading readInputBox(const InputField& input, const char16_t* text);

// Reads every input box text of a tool (texts[i] for inputs[i]). Only when all
// are accepted are the values stored in values[0..count-1]; otherwise values
// is left exactly as it was, so a refused calculation changes nothing and the
// inputs kept always belong to the last result. Returns -1 when all were
// accepted, else the index of the first refused input; *belowMinimum (may be
// null) then tells whether it was refused for its bound.
int readInputTexts(const InputField* inputs, const char16_t* const* texts, int count, double* values,
                   bool* belowMinimum);

// The text a box shows for a default value: "%.6g" in 64 units.
void formatDefaultValue(double value, char16_t* out, int capacity);

// "第 %d 项“%ls”请输入数字。" for input index (0-based) and its label.
void formatRefusedInput(int inputIndex, const char16_t* label, char16_t* out, int capacity);

// "第 %d 项“%ls”不能小于 %ls。" with the bound as the shortest text that reads
// back as it (0 gives "0").
void formatBelowMinimum(int inputIndex, const char16_t* label, double minValue, char16_t* out, int capacity);

// The message of a refused box: one of the two above.
void formatInputRefusal(int inputIndex, const InputField& input, bool belowMinimum, char16_t* out, int capacity);

// The copy text of a calculation: for a formula tool (kind 0) the result
// text, two em dashes, a space and the verdict; for a report tool the first
// capacity - 1 units of the report alone.
void buildCopyText(ReportKind kind, const char16_t* resultText, const char16_t* verdictText,
                   char16_t* out, int capacity);

// The clipboard text: the tool's name, CR LF, the copy text.
int formatClipboardText(const char16_t* toolName, const char16_t* copyText, char16_t* out, int capacity);

// "计算完成  %ls" with the tool's name.
void formatCalculatedStatus(const char16_t* toolName, char16_t* out, int capacity);

// "参考依据：%ls" with the tool's reference.
void formatReferenceText(const char16_t* reference, char16_t* out, int capacity);

// The header line "%ls  ·  %ls": category and subtitle (empty when none).
void formatHeaderLine(const ToolDefinition& tool, char16_t* out, int capacity);

// The nine lines of the about box, CR LF between them.
void formatAboutText(const ToolDefinition& tool, char16_t* out, int capacity);

// The note shown under the result, or the empty text.
const char16_t* noteText(const ToolDefinition& tool);
