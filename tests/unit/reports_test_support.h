// Shared helpers of the report tests: a tool made of named inputs, buffers
// with guard units behind their capacity, and UTF-8 forms of the texts so
// that failures print readably.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/tool.h"
#include "reports/report.h"

namespace reports_test {

struct Input {
    const char* name;
    double value;
};

// A report tool of the given kind with the given inputs, in order.
struct TestTool {
    std::vector<InputField> fields;
    std::vector<double> values;
    ToolDefinition tool{};

    TestTool(ReportKind kind, const std::vector<Input>& inputs)
    {
        for (const Input& input : inputs) {
            fields.push_back(InputField{input.name, u"输入", nullptr, input.value});
            values.push_back(input.value);
        }
        values.resize(MAX_INPUTS, 0.0);
        tool = ToolDefinition{900, u"报告测试", nullptr, u"测试", u"测试", nullptr,
                              static_cast<int32_t>(fields.size()), fields.empty() ? nullptr : fields.data(),
                              0, nullptr, 0, nullptr, kind};
    }
};

inline std::string utf8(const std::u16string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A buffer of `capacity` units filled with junk (no terminator), followed
// by guard units that no writer may touch.
struct GuardedBuffer {
    static constexpr int GUARD_UNITS = 16;
    static constexpr char16_t JUNK = u'#';
    static constexpr char16_t GUARD = u'\xBEEF';
    std::vector<char16_t> units;
    int capacity;

    explicit GuardedBuffer(int cap)
        : units(static_cast<size_t>(cap > 0 ? cap : 0) + GUARD_UNITS, GUARD), capacity(cap)
    {
        for (int i = 0; i < cap; ++i) units[static_cast<size_t>(i)] = JUNK;
    }
    char16_t* data() { return units.data(); }
    bool guardsIntact() const
    {
        for (size_t i = static_cast<size_t>(capacity > 0 ? capacity : 0); i < units.size(); ++i) {
            if (units[i] != GUARD) return false;
        }
        return true;
    }
    bool terminated() const
    {
        for (int i = 0; i < capacity; ++i) {
            if (units[static_cast<size_t>(i)] == 0) return true;
        }
        return false;
    }
    std::u16string text() const
    {
        std::u16string out;
        for (int i = 0; i < capacity && units[static_cast<size_t>(i)] != 0; ++i) out += units[static_cast<size_t>(i)];
        return out;
    }
};

struct ReportRun {
    std::u16string result;
    std::u16string verdict;
    Level level;
};

// Runs the dispatcher on guarded buffers; any overrun or missing terminator
// fails the calling test.
inline ReportRun runKind(ReportKind kind, const std::vector<Input>& inputs,
                         int resultCapacity = 8192, int verdictCapacity = 512)
{
    TestTool t(kind, inputs);
    GuardedBuffer result(resultCapacity);
    GuardedBuffer verdict(verdictCapacity);
    const Level level = runReport(kind, t.tool, t.values.data(), result.data(), resultCapacity,
                                  verdict.data(), verdictCapacity);
    EXPECT_TRUE(result.guardsIntact()) << "kind " << kind << ", result capacity " << resultCapacity;
    EXPECT_TRUE(verdict.guardsIntact()) << "kind " << kind << ", verdict capacity " << verdictCapacity;
    if (resultCapacity > 0) {
        EXPECT_TRUE(result.terminated()) << "kind " << kind;
    }
    if (verdictCapacity > 0) {
        EXPECT_TRUE(verdict.terminated()) << "kind " << kind;
    }
    return ReportRun{result.text(), verdict.text(), level};
}

// The lines of a report, CR LF removed; every line must end with CR LF.
inline std::vector<std::string> lines(const std::u16string& text)
{
    std::vector<std::string> out;
    size_t begin = 0;
    while (begin < text.size()) {
        const size_t end = text.find(u"\r\n", begin);
        if (end == std::u16string::npos) {
            ADD_FAILURE() << "last line has no CR LF: " << utf8(text.substr(begin));
            out.push_back(utf8(text.substr(begin)));
            break;
        }
        out.push_back(utf8(text.substr(begin, end - begin)));
        begin = end + 2;
    }
    return out;
}

inline std::vector<std::string> expected(std::initializer_list<const char16_t*> texts)
{
    std::vector<std::string> out;
    for (const char16_t* text : texts) out.push_back(utf8(text));
    return out;
}

inline size_t count(const std::u16string& text, const std::u16string& piece)
{
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::u16string::npos; at = text.find(piece, at + piece.size())) ++n;
    return n;
}

}  // namespace reports_test
