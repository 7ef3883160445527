#include "ui/command_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "engine/numtext.h"
#include "engine/text.h"

const char16_t MAKER_WEB_ADDRESS[] = u"www.kelvomed.example";

const char16_t HINT_TEXT[] = u"填写左侧参数，点击“计算”";
const char16_t READY_STATUS[] = u"就绪：填写参数后按 F5 或点击“计算”";
const char16_t REFUSED_INPUT_CAPTION[] = u"输入有误";
const char16_t NO_RESULT_MESSAGE[] = u"请先点击“计算”生成结果。";
const char16_t NO_RESULT_CAPTION[] = u"提示";
const char16_t COPIED_STATUS[] = u"结果已复制到剪贴板";
const char16_t RESET_STATUS[] = u"已恢复默认值";
const char16_t ABOUT_CAPTION[] = u"关于本工具";

namespace {
const char16_t REFUSED_INPUT_FORMAT[] = u"第 %d 项“%ls”请输入数字。";
const char16_t BELOW_MINIMUM_FORMAT[] = u"第 %d 项“%ls”不能小于 %ls。";
constexpr int BOUND_TEXT_CAPACITY = 32;   // the shortest form of any double: at most 24 characters
const char16_t FORMULA_COPY_FORMAT[] = u"%ls—— %ls";
const char16_t CLIPBOARD_FORMAT[] = u"%ls\r\n%ls";
const char16_t CALCULATED_STATUS_FORMAT[] = u"计算完成  %ls";
const char16_t REFERENCE_FORMAT[] = u"参考依据：%ls";
const char16_t HEADER_LINE_FORMAT[] = u"%ls  ·  %ls";
const char16_t ABOUT_FORMAT[] =
    u"%ls\r\n"
    u"\r\n"
    u"分类：%ls\r\n"
    u"参考依据：%ls\r\n"
    u"\r\n"
    u"本工具为临床辅助计算/记录工具，结果不能替代医师诊疗判断，\r\n"
    u"具体用药与处置请结合患者实际情况及本院规范执行。\r\n"
    u"\r\n"
    u"版本 V1.0    官网：%ls";

// A Chinese input method in full-width mode types U+FF10..U+FF19 for the
// digits, U+FF0E for the point, U+3000 for the space: the forms of the ASCII
// characters U+0021..U+007E sit at the same order 0xFEE0 higher. Mapped back,
// "１５０" reads as the 150 it shows instead of finding no number at all.
// ASCII and every other character stay as they are.
void mapFullWidthToAscii(char16_t* text) {
    for (; *text != 0; ++text) {
        if (*text >= u'\uFF01' && *text <= u'\uFF5E') {
            *text = static_cast<char16_t>(*text - 0xFEE0);
        } else if (*text == u'\u3000') {
            *text = u' ';
        }
    }
}

bool onlySpaces(const char16_t* text) {
    for (; *text != 0; ++text) {
        if (*text != u' ') return false;
    }
    return true;
}

// What a decimal number and the spaces before it are made of.
bool numberUnit(char16_t unit) {
    return (unit >= u'0' && unit <= u'9') || unit == u'.' || unit == u'e' || unit == u'E' || unit == u'+' ||
           unit == u'-' || unit == u' ';
}
}  // namespace

InputReading readInputText(const char16_t* text) {
    constexpr InputReading REFUSED{std::numeric_limits<double>::quiet_NaN(), false};
    char16_t kept[INPUT_TEXT_LIMIT + 1];
    int length = 0;
    for (; text[length] != 0; ++length) {
        if (length == INPUT_TEXT_LIMIT) return REFUSED;
        kept[length] = text[length];
    }
    kept[length] = 0;
    // Only this copy is mapped: the box keeps the text as it was typed.
    mapFullWidthToAscii(kept);

    // readWideNumber reads the longest prefix wcstod would: past tabs and
    // line breaks, hexadecimal, inf and nan. A box holds a decimal number
    // typed by hand, so the prefix must be made of a decimal number's units
    // and be followed by nothing but spaces; a blank box reads nothing.
    size_t used = 0;
    const double value = readWideNumber(kept, &used);
    if (used == 0 || !onlySpaces(kept + used)) return REFUSED;
    for (size_t i = 0; i < used; ++i) {
        if (!numberUnit(kept[i])) return REFUSED;
    }
    if (!std::isfinite(value)) return REFUSED;   // beyond the largest double
    return InputReading{value, true};
}

InputReading readInputBox(const InputField& input, const char16_t* text) {
    const InputReading reading = readInputText(text);
    if (!reading.accepted) return reading;
    const double bound = input.minValue;
    // A CRP box that reads -0 was typed with a minus: no measurement, even
    // though -0 == 0.
    const bool typedMinusZero = reading.value == 0 && bound == 0 && std::signbit(reading.value) && !std::signbit(bound);
    if (reading.value < bound || typedMinusZero) {
        return InputReading{std::numeric_limits<double>::quiet_NaN(), false, true};
    }
    return reading;
}

int readInputTexts(const InputField* inputs, const char16_t* const* texts, int count, double* values,
                   bool* belowMinimum) {
    double read[MAX_INPUTS];
    if (belowMinimum != nullptr) *belowMinimum = false;
    if (count > MAX_INPUTS) count = MAX_INPUTS;
    for (int i = 0; i < count; ++i) {
        const InputReading reading = readInputBox(inputs[i], texts[i]);
        if (!reading.accepted) {
            if (belowMinimum != nullptr) *belowMinimum = reading.belowMinimum;
            return i;
        }
        read[i] = reading.value;
    }
    for (int i = 0; i < count; ++i) values[i] = read[i];
    return -1;
}

void formatDefaultValue(double value, char16_t* out, int capacity) {
    formatText(out, capacity, u"%.6g", value);
}

void formatRefusedInput(int inputIndex, const char16_t* label, char16_t* out, int capacity) {
    formatText(out, capacity, REFUSED_INPUT_FORMAT, inputIndex + 1, label);
}

void formatBelowMinimum(int inputIndex, const char16_t* label, double minValue, char16_t* out, int capacity) {
    char narrow[BOUND_TEXT_CAPACITY];
    const std::to_chars_result shortest = std::to_chars(narrow, narrow + BOUND_TEXT_CAPACITY - 1, minValue);
    *shortest.ptr = 0;   // the shortest form of any double fits
    char16_t bound[BOUND_TEXT_CAPACITY];
    int i = 0;
    for (; narrow[i] != 0; ++i) bound[i] = static_cast<char16_t>(narrow[i]);
    bound[i] = 0;
    formatText(out, capacity, BELOW_MINIMUM_FORMAT, inputIndex + 1, label, bound);
}

void formatInputRefusal(int inputIndex, const InputField& input, bool belowMinimum, char16_t* out, int capacity) {
    if (belowMinimum) formatBelowMinimum(inputIndex, input.label, input.minValue, out, capacity);
    else formatRefusedInput(inputIndex, input.label, out, capacity);
}

void buildCopyText(ReportKind kind, const char16_t* resultText, const char16_t* verdictText,
                   char16_t* out, int capacity) {
    if (kind == 0) {
        formatText(out, capacity, FORMULA_COPY_FORMAT, resultText, verdictText);
    } else {
        textCopy(out, capacity, resultText);
    }
}

int formatClipboardText(const char16_t* toolName, const char16_t* copyText, char16_t* out, int capacity) {
    return formatText(out, capacity, CLIPBOARD_FORMAT, toolName, copyText);
}

void formatCalculatedStatus(const char16_t* toolName, char16_t* out, int capacity) {
    formatText(out, capacity, CALCULATED_STATUS_FORMAT, toolName);
}

void formatReferenceText(const char16_t* reference, char16_t* out, int capacity) {
    formatText(out, capacity, REFERENCE_FORMAT, reference);
}

void formatHeaderLine(const ToolDefinition& tool, char16_t* out, int capacity) {
    formatText(out, capacity, HEADER_LINE_FORMAT, tool.category, tool.subtitle != nullptr ? tool.subtitle : u"");
}

void formatAboutText(const ToolDefinition& tool, char16_t* out, int capacity) {
    formatText(out, capacity, ABOUT_FORMAT, tool.name, tool.category, tool.reference, MAKER_WEB_ADDRESS);
}

const char16_t* noteText(const ToolDefinition& tool) {
    return tool.note != nullptr ? tool.note : u"";
}
