// The window's texts and the reading of the input boxes (portable half of
// the window commands).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/text.h"
#include "engine/tool.h"
#include "ui/command_text.h"

namespace {

std::u16string str(const char16_t* s) { return std::u16string(s); }

constexpr int COPY_CAPACITY = 1024;   // the window's copyText

std::u16string repeated(const char16_t* unit, int count) {
    std::u16string out;
    for (int i = 0; i < count; ++i) out += unit;
    return out;
}

// A text, whether the box's reading accepts it and, if so, its value.
struct ReadingCase {
    std::u16string text;
    bool accepted;
    double value;
};

template <size_t N>
void expectReadings(const ReadingCase (&cases)[N]) {
    for (const ReadingCase& c : cases) {
        const InputReading r = readInputText(c.text.c_str());
        EXPECT_EQ(r.accepted, c.accepted) << c.text.size();
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(r.value, c.value) << c.text.size();
        }
    }
}

// Splits at CR LF.
std::vector<std::u16string> lines(const std::u16string& text) {
    std::vector<std::u16string> out;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(u"\r\n", start);
        if (end == std::u16string::npos) {
            out.push_back(text.substr(start));
            return out;
        }
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

TEST(InputText, OneNumberAloneIsRead) {
    const ReadingCase cases[] = {
        {u"8", true, 8},          {u".5", true, 0.5},      {u"  3e2", true, 300},  {u"1e-400", true, 0},
        {u"-7.25", true, -7.25},  {u"+3", true, 3},        {u"12.5  ", true, 12.5}, {u"1.", true, 1},
        {u"1.7976931348623157e308", true, 1.7976931348623157e308},
    };
    expectReadings(cases);
}

TEST(InputText, AnythingButOneNumberIsRefused) {
    // Typing slips that once read as 0 or as the digits before them.
    const ReadingCase cases[] = {
        {u"", false, 0},          {u"   ", false, 0},       {u"12abc", false, 0},    {u"abc", false, 0},
        {u"1,5", false, 0},       {u"0x1A", false, 0},      {u"\t42", false, 0},     {u"42\t", false, 0},
        {u"五十", false, 0},      {u"\U0001F600", false, 0}, {u"50\U0001F600", false, 0},
        {u"1e", false, 0},        {u"0x", false, 0},        {u"-", false, 0},        {u".", false, 0},
        {u"1O0", false, 0},       {u"l00", false, 0},       {u"50 mg/L", false, 0},  {u"1 2", false, 0},
        {u"- 5", false, 0},       {u"5-", false, 0},
        // Hexadecimal whose digits are all decimal: only the x refuses it.
        {u"0x64", false, 0},
    };
    expectReadings(cases);
}

TEST(InputText, NonFiniteValuesAreRefused) {
    for (const char16_t* text : {u"inf", u"-Infinity", u"NAN", u"1e400", u"-1e999", u"  InF", u"nan(123)",
                                 u"0x1p99999", u"infinityx"}) {
        const InputReading r = readInputText(text);
        EXPECT_FALSE(r.accepted) << std::string(text, text + textLength(text));
        EXPECT_FALSE(std::isfinite(r.value));
    }
}

TEST(InputText, FullWidthFormsReadAsTheirAscii) {
    // What a Chinese input method types in full-width mode; the refusals
    // hold as they do for the ASCII text.
    const ReadingCase cases[] = {
        {u"１５０", true, 150},     {u"１２．５", true, 12.5},   {u"　５０　", true, 50},
        {u"－５", true, -5},        {u"０ｘ１Ａ", false, 0},     {u"５０ｍｇ", false, 0},
        {u"５0", true, 50},          {u"1５．0ｅ１", true, 150},  {u"　　", false, 0},
        {u"ｉｎｆ", false, 0},      {u"－ＩＮＦ", false, 0},    {u"１ｅ４００", false, 0},
        {u"１，５", false, 0},
        // Each full-width form is one unit.
        {repeated(u"　", 122) + u"１ｅ４", true, 1e4},
        {repeated(u"９", 10000), false, 0},
    };
    expectReadings(cases);
}

TEST(InputText, MoreThan127UnitsAreRefused) {
    // Cut to 127 units, a longer box would read as a different number.
    const ReadingCase cases[] = {
        {repeated(u" ", 126) + u"1", true, 1},
        {repeated(u" ", 127) + u"1", false, 0},
        {repeated(u"9", 127), true, 1e127},
        {repeated(u"9", 128), false, 0},
        {u"1" + repeated(u"0", 126) + u"e-500", false, 0},
        {repeated(u"测", 10000), false, 0},
    };
    expectReadings(cases);
}

TEST(InputBox, BoundRefusesNumbersBelowIt) {
    const InputField& crp = builtinTool().inputs[0];
    const InputField unbounded{"x", u"X", nullptr, 0.0};
    struct Case {
        const InputField& input;
        const char16_t* text;
        bool accepted;
        bool belowMinimum;
        double value;
    } cases[] = {
        {crp, u"-150", false, true, 0},  {crp, u"-0", false, true, 0},   {crp, u"-0.0", false, true, 0},
        {crp, u"－５０", false, true, 0}, {crp, u"-1e-400", false, true, 0},
        {crp, u"0", true, false, 0},     {crp, u"+0", true, false, 0},   {crp, u"0.001", true, false, 0.001},
        // Not a number first: the bound is checked only on a number.
        {crp, u"-abc", false, false, 0}, {crp, u"-inf", false, false, 0}, {crp, u"-1e400", false, false, 0},
        {unbounded, u"-5", true, false, -5}, {unbounded, u"-0", true, false, 0},
    };
    for (const Case& c : cases) {
        const InputReading r = readInputBox(c.input, c.text);
        EXPECT_EQ(r.accepted, c.accepted) << std::string(c.text, c.text + textLength(c.text));
        EXPECT_EQ(r.belowMinimum, c.belowMinimum) << std::string(c.text, c.text + textLength(c.text));
        if (c.accepted) {
            EXPECT_EQ(r.value, c.value);
            EXPECT_FALSE(std::signbit(r.value) && c.input.minValue == 0);
        }
    }

    char16_t out[REFUSED_MESSAGE_CAPACITY];
    formatInputRefusal(0, crp, true, out, REFUSED_MESSAGE_CAPACITY);
    EXPECT_EQ(str(out), u"第 1 项“CRP”不能小于 0。");
    formatInputRefusal(0, crp, false, out, REFUSED_MESSAGE_CAPACITY);
    EXPECT_EQ(str(out), u"第 1 项“CRP”请输入数字。");
    const InputField dose{"d", u"剂量", nullptr, 1.0, 0.1};
    formatInputRefusal(2, dose, true, out, REFUSED_MESSAGE_CAPACITY);
    EXPECT_EQ(str(out), u"第 3 项“剂量”不能小于 0.1。");

    const char16_t* texts[] = {u"50", u"-150"};
    const InputField inputs[] = {unbounded, crp};
    double values[2] = {-1, -1};
    bool below = false;
    EXPECT_EQ(readInputTexts(inputs, texts, 2, values, &below), 1);
    EXPECT_TRUE(below);
    EXPECT_EQ(values[0], -1);
}

TEST(InputTexts, StoresValuesOnlyWhenEveryInputIsAccepted) {
    struct Case {
        std::vector<const char16_t*> texts;
        int refused;
        std::vector<double> after;   // the values array afterwards
    } cases[] = {
        {{u"50", u"2"}, -1, {50, 2, -1}},
        {{u"inf", u"2"}, 0, {-1, -1, -1}},
        {{u"50", u"nan"}, 1, {-1, -1, -1}},    // the accepted first value is not kept either
        {{u"", u"   "}, 0, {-1, -1, -1}},    // a blank box is no 0
        {{u"inf", u"1e999"}, 0, {-1, -1, -1}},  // only the first refusal is reported
        {{}, -1, {-1, -1, -1}},
    };
    const InputField unbounded[2] = {{"a", u"A", nullptr, 0.0}, {"b", u"B", nullptr, 0.0}};
    for (const Case& c : cases) {
        double values[3] = {-1, -1, -1};
        bool below = true;
        EXPECT_EQ(readInputTexts(unbounded, c.texts.data(), static_cast<int>(c.texts.size()), values, &below),
                  c.refused);
        EXPECT_FALSE(below);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(values[i], c.after[i]) << i;
    }
}

TEST(InputTexts, NeverWritesBeyondSixteenInputs) {
    const char16_t* texts[20];
    for (auto& t : texts) t = u"1";
    double values[20];
    for (double& v : values) v = -1;
    const std::vector<InputField> inputs(20, InputField{"x", u"X", nullptr, 0.0});
    EXPECT_EQ(readInputTexts(inputs.data(), texts, 20, values, nullptr), -1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(values[i], 1);
    for (int i = 16; i < 20; ++i) EXPECT_EQ(values[i], -1);
}

TEST(DefaultValue, SixSignificantDigits) {
    struct Case {
        double value;
        const char16_t* text;
    } cases[] = {
        {8, u"8"}, {0.5, u"0.5"}, {1234567, u"1.23457e+06"}, {0.0000001, u"1e-07"},
        {-2.5, u"-2.5"}, {0, u"0"}, {100000, u"100000"}, {123456.5, u"123456"}, {1e300, u"1e+300"},
    };
    for (const Case& c : cases) {
        char16_t out[DEFAULT_VALUE_CAPACITY];
        formatDefaultValue(c.value, out, DEFAULT_VALUE_CAPACITY);
        EXPECT_EQ(str(out), str(c.text)) << c.value;
    }
}

TEST(CopyText, FormulaToolKeepsResultDashesAndVerdict) {
    char16_t out[1024];
    buildCopyText(0, u"分级：2 级\r\n", u"轻度升高，结合症状复查", out, 1024);
    EXPECT_EQ(str(out), u"分级：2 级\r\n—— 轻度升高，结合症状复查");

    const ToolDefinition& tool = builtinTool();
    char16_t clip[64];
    EXPECT_GE(formatClipboardText(tool.name, u"分级：0 级\r\n—— CRP 正常", clip, 64), 0);
    EXPECT_EQ(str(clip), u"Ostrivel\r\n分级：0 级\r\n—— CRP 正常");
}

TEST(CopyText, CutsAndReportTools) {
    const std::u16string longResult = repeated(u"行", 3000);
    struct Case {
        ReportKind kind;
        std::u16string result;
        std::u16string expected;
    } cases[] = {
        {0, longResult, longResult.substr(0, 1023)},
        {0, repeated(u"a", 1019), repeated(u"a", 1019) + u"—— v"},   // exactly 1023 units
        {0, repeated(u"a", 1020), repeated(u"a", 1020) + u"—— "},    // the verdict is cut
        {3, longResult, longResult.substr(0, 1023)},                 // report: first 1023 units
        {3, u"报告\r\n", u"报告\r\n"},                                // no verdict in a report's copy
        {12, u"", u""},
    };
    for (const Case& c : cases) {
        char16_t out[COPY_CAPACITY + 8];
        for (auto& u : out) u = u'#';
        buildCopyText(c.kind, c.result.c_str(), u"v", out, COPY_CAPACITY);
        EXPECT_EQ(str(out), c.expected) << c.kind << " " << c.result.size();
        for (int i = COPY_CAPACITY; i < COPY_CAPACITY + 8; ++i) EXPECT_EQ(out[i], u'#');
    }
}

TEST(CopyText, ClipboardBlockHoldsTheWholeText) {
    // The block is sized from the two lengths plus 16 units; the text needs
    // the two lengths plus 2 (CR LF) and the terminator.
    for (int a : {0, 1, 500, 1023}) {
        const std::u16string copy = repeated(u"字", a);
        const ToolDefinition& tool = builtinTool();
        const int capacity = static_cast<int>(textLength(tool.name)) + a + 16;
        std::u16string block(static_cast<size_t>(capacity), u'#');
        const int written = formatClipboardText(tool.name, copy.c_str(), block.data(), capacity);
        EXPECT_EQ(written, static_cast<int>(textLength(tool.name)) + 2 + a);
        EXPECT_EQ(str(block.c_str()), str(tool.name) + u"\r\n" + copy);
    }
}

TEST(WindowTexts, MessagesAndStatus) {
    const ToolDefinition& tool = builtinTool();
    char16_t out[REFUSED_MESSAGE_CAPACITY];
    formatRefusedInput(0, tool.inputs[0].label, out, REFUSED_MESSAGE_CAPACITY);
    EXPECT_EQ(str(out), u"第 1 项“CRP”请输入数字。");
    formatRefusedInput(15, u"体重", out, REFUSED_MESSAGE_CAPACITY);
    EXPECT_EQ(str(out), u"第 16 项“体重”请输入数字。");
    const std::u16string longLabel = repeated(u"长", 400);
    formatRefusedInput(0, longLabel.c_str(), out, REFUSED_MESSAGE_CAPACITY);
    EXPECT_EQ(textLength(out), static_cast<size_t>(REFUSED_MESSAGE_CAPACITY - 1));

    char16_t status[256];
    formatCalculatedStatus(tool.name, status, 256);
    EXPECT_EQ(str(status), u"计算完成  Ostrivel");
    formatCalculatedStatus(longLabel.c_str(), status, 256);
    EXPECT_EQ(textLength(status), 255u);

    char16_t reference[REFERENCE_TEXT_CAPACITY];
    formatReferenceText(tool.reference, reference, REFERENCE_TEXT_CAPACITY);
    EXPECT_EQ(str(reference), u"参考依据：" + str(tool.reference));

    EXPECT_EQ(str(HINT_TEXT), u"填写左侧参数，点击“计算”");
    EXPECT_EQ(str(READY_STATUS), u"就绪：填写参数后按 F5 或点击“计算”");
}

TEST(WindowTexts, HeaderLineWithAndWithoutSubtitle) {
    ToolDefinition tool = builtinTool();
    char16_t out[HEADER_LINE_CAPACITY];
    formatHeaderLine(tool, out, HEADER_LINE_CAPACITY);
    EXPECT_EQ(str(out), str(tool.category) + u"  ·  " + str(tool.subtitle));
    tool.subtitle = nullptr;
    formatHeaderLine(tool, out, HEADER_LINE_CAPACITY);
    EXPECT_EQ(str(out), str(tool.category) + u"  ·  ");
}

TEST(WindowTexts, AboutTextHasItsNineLines) {
    const ToolDefinition& tool = builtinTool();
    char16_t out[ABOUT_TEXT_CAPACITY];
    formatAboutText(tool, out, ABOUT_TEXT_CAPACITY);
    const std::vector<std::u16string> got = lines(out);
    const std::vector<std::u16string> expected = {
        u"Ostrivel",
        u"",
        u"分类：" + str(tool.category),
        u"参考依据：" + str(tool.reference),
        u"",
        u"本工具为临床辅助计算/记录工具，结果不能替代医师诊疗判断，",
        u"具体用药与处置请结合患者实际情况及本院规范执行。",
        u"",
        u"版本 V1.0    官网：" + str(MAKER_WEB_ADDRESS),
    };
    EXPECT_EQ(got, expected);
    // The web address is a reserved example domain and fits the header's buffer.
    EXPECT_NE(str(MAKER_WEB_ADDRESS).find(u".example"), std::u16string::npos);
    EXPECT_LT(textLength(MAKER_WEB_ADDRESS), static_cast<size_t>(WEB_ADDRESS_CAPACITY));
}

TEST(WindowTexts, AboutTextCutsALongReference) {
    ToolDefinition tool = builtinTool();
    const std::u16string reference = repeated(u"文", 2000);
    tool.reference = reference.c_str();
    char16_t out[ABOUT_TEXT_CAPACITY + 4];
    for (auto& u : out) u = u'#';
    formatAboutText(tool, out, ABOUT_TEXT_CAPACITY);
    EXPECT_EQ(textLength(out), static_cast<size_t>(ABOUT_TEXT_CAPACITY - 1));
    for (int i = ABOUT_TEXT_CAPACITY; i < ABOUT_TEXT_CAPACITY + 4; ++i) EXPECT_EQ(out[i], u'#');
}

TEST(WindowTexts, NoteOrEmpty) {
    ToolDefinition tool = builtinTool();
    EXPECT_EQ(str(noteText(tool)), str(tool.note));
    tool.note = nullptr;
    EXPECT_EQ(str(noteText(tool)), u"");
}

}  // namespace
