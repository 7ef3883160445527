// Tool evaluation: the built-in tool, result lines, verdict rules, cut texts
// and the hand-over to the report dispatcher.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/text.h"
#include "engine/tool.h"
#include "reports/report.h"

namespace {

constexpr int GUARD = 16;

// A caller's buffer with guard units behind its capacity.
struct Buffer {
    char16_t units[8192 + GUARD];
    int capacity;
    explicit Buffer(int cap) : capacity(cap) {
        for (char16_t& u : units) u = u'#';
    }
    std::u16string text() const { return std::u16string(units); }
    bool guardsIntact() const {
        for (int i = capacity; i < capacity + GUARD; ++i) {
            if (units[i] != u'#') return false;
        }
        return true;
    }
};

struct Outcome {
    Level level;
    Level levelOut;
    std::u16string result;
    std::u16string verdict;
    std::u16string last;
};

Outcome run(const ToolDefinition& tool, const double* inputs, int resultCap = 4096, int verdictCap = 512,
        int lastCap = 8192) {
    Buffer result(resultCap), verdict(verdictCap), last(lastCap);
    Outcome r{};
    r.levelOut = -99;
    r.level = evaluateTool(tool, inputs, result.units, resultCap, verdict.units, verdictCap, &r.levelOut,
                           last.units, lastCap);
    EXPECT_TRUE(result.guardsIntact());
    EXPECT_TRUE(verdict.guardsIntact());
    EXPECT_TRUE(last.guardsIntact());
    r.result = result.text();
    r.verdict = verdict.text();
    r.last = last.text();
    return r;
}

std::u16string u16(const char16_t* s) { return std::u16string(s); }

TEST(BuiltinTool, DefinitionTexts) {
    const ToolDefinition& t = builtinTool();
    EXPECT_EQ(t.id, 112);
    EXPECT_EQ(u16(t.name), u"Ostrivel");
    EXPECT_EQ(u16(t.subtitle), u"按 CRP 水平评估炎症程度");
    EXPECT_EQ(u16(t.category), u"感染指标");
    EXPECT_EQ(u16(t.reference), u"CRP 10-40mg/L 提示中度炎症，>100 提示明显细菌感染");
    EXPECT_EQ(u16(t.note), u"CRP 升高非特异，术后、创伤、自身免疫病均可升高。");
    EXPECT_EQ(t.kind, 0);
    ASSERT_EQ(t.inputCount, 1);
    EXPECT_STREQ(t.inputs[0].name, "crp");
    EXPECT_EQ(u16(t.inputs[0].label), u"CRP");
    EXPECT_EQ(u16(t.inputs[0].unit), u"mg/L");
    EXPECT_EQ(t.inputs[0].defaultValue, 8.0);
    ASSERT_EQ(t.outputCount, 1);
    EXPECT_STREQ(t.outputs[0].name, "level");
    EXPECT_EQ(u16(t.outputs[0].label), u"分级");
    EXPECT_EQ(u16(t.outputs[0].unit), u"级");
    EXPECT_STREQ(t.outputs[0].formula, "crp<10?0:crp<40?1:crp<100?2:3");
    EXPECT_STREQ(t.outputs[0].formatCode, "f0");
    ASSERT_EQ(t.ruleCount, 3);
    EXPECT_STREQ(t.rules[0].condition, "crp>=100");
    EXPECT_EQ(t.rules[0].level, 2);
    EXPECT_EQ(u16(t.rules[0].verdict), u"明显升高，警惕细菌感染与组织损伤");
    EXPECT_STREQ(t.rules[1].condition, "crp>=10");
    EXPECT_EQ(t.rules[1].level, 1);
    EXPECT_EQ(u16(t.rules[1].verdict), u"轻度升高，结合症状复查");
    EXPECT_STREQ(t.rules[2].condition, "");
    EXPECT_EQ(t.rules[2].level, 0);
    EXPECT_EQ(u16(t.rules[2].verdict), u"CRP 正常");
    EXPECT_EQ(u16(PARTIAL_RESULT_NOTE), u"（部分结果无法计算，请检查输入是否合理）\r\n");
    EXPECT_EQ(u16(DEFAULT_VERDICT), u"请核对输入参数后重新计算");
}

TEST(BuiltinTool, GradesAndVerdicts) {
    const struct {
        double crp;
        const char16_t* line;
        const char16_t* verdict;
        Level level;
    } cases[] = {
        {8, u"分级：0 级\r\n", u"CRP 正常", 0},
        {9.99, u"分级：0 级\r\n", u"CRP 正常", 0},
        {10, u"分级：1 级\r\n", u"轻度升高，结合症状复查", 1},
        // The grade is shown only: no built-in rule yields level 3.
        {40, u"分级：2 级\r\n", u"轻度升高，结合症状复查", 1},
        {99.9, u"分级：2 级\r\n", u"轻度升高，结合症状复查", 1},
        {100, u"分级：3 级\r\n", u"明显升高，警惕细菌感染与组织损伤", 2},
        {-5, u"分级：0 级\r\n", u"CRP 正常", 0},
    };
    for (const auto& c : cases) {
        double inputs[MAX_INPUTS] = {c.crp};
        const Outcome r = run(builtinTool(), inputs);
        EXPECT_EQ(r.result, c.line) << c.crp;
        EXPECT_EQ(r.verdict, c.verdict) << c.crp;
        EXPECT_EQ(r.level, c.level) << c.crp;
        EXPECT_EQ(r.levelOut, c.level) << c.crp;
        EXPECT_EQ(r.last, r.result) << c.crp;
    }
}

// ---- Hand-made formula tools ----------------------------------------------

const InputField X_INPUT[] = {{"x", u"X", nullptr, 0.0}};

ToolDefinition formulaTool(const OutputField* outputs, int outputCount, const VerdictRule* rules, int ruleCount) {
    return ToolDefinition{7, u"t", nullptr, u"c", u"r", nullptr, 1, X_INPUT, outputCount, outputs, ruleCount, rules, 0};
}

TEST(EvaluateTool, OutputLinesAndReferences) {
    // b reads a (before it), c reads d (after it: 0), a reads itself (0).
    const OutputField outputs[] = {
        {"a", u"甲", u"mg", "x*2 + a", "f1"},
        {"b", u"乙", u"", "a + 1", "f0"},     // empty unit: no space before CR LF
        {"c", u"丙", nullptr, "d + 1", nullptr},
        {"d", u"丁", u"%", "5", "pct"},
    };
    const VerdictRule rules[] = {{"d == 5 && c == 1", 3, u"全部可见"}};
    const ToolDefinition tool = formulaTool(outputs, 4, rules, 1);
    double inputs[MAX_INPUTS] = {1.5};
    const Outcome r = run(tool, inputs);
    EXPECT_EQ(r.result, u"甲：3.0 mg\r\n乙：4\r\n丙：1.00\r\n丁：5.0% %\r\n");
    EXPECT_EQ(r.verdict, u"全部可见");   // the rules see every output
    EXPECT_EQ(r.level, 3);
}

TEST(EvaluateTool, FailedOutputsAddTheNoteOnce) {
    const struct {
        const char* formula1;
        const char* formula2;
        const char16_t* result;
    } cases[] = {
        {"", "1", u"甲：0.00\r\n乙：1.00\r\n（部分结果无法计算，请检查输入是否合理）\r\n"},
        {"exp(1000)", "1", u"甲：--\r\n乙：1.00\r\n（部分结果无法计算，请检查输入是否合理）\r\n"},
        {"1/0", "nope", u"甲：0.00\r\n乙：0.00\r\n（部分结果无法计算，请检查输入是否合理）\r\n"},
        // A failed value is stored and used by later outputs.
        {"sqrt(-1) + 2", "a * 10", u"甲：2.00\r\n乙：20.00\r\n（部分结果无法计算，请检查输入是否合理）\r\n"},
        {"1", "2", u"甲：1.00\r\n乙：2.00\r\n"},
    };
    for (const auto& c : cases) {
        const OutputField outputs[] = {
            {"a", u"甲", nullptr, c.formula1, nullptr},
            {"b", u"乙", nullptr, c.formula2, nullptr},
        };
        // The rules run whether or not outputs failed.
        const VerdictRule rules[] = {{"1", 1, u"规则"}};
        double inputs[MAX_INPUTS] = {};
        const Outcome r = run(formulaTool(outputs, 2, rules, 1), inputs);
        EXPECT_EQ(r.result, c.result) << c.formula1;
        EXPECT_EQ(r.verdict, u"规则") << c.formula1;
        EXPECT_EQ(r.level, 1);
    }
}

TEST(EvaluateTool, Rules) {
    const OutputField outputs[] = {{"y", u"Y", nullptr, "x + 1", nullptr}};
    const VerdictRule unknownFirst[] = {{"nope > 0", 3, u"不该"}, {"y == 3", 2, u"二"}, {"", 0, u"默认"}};
    const VerdictRule negativeMatches[] = {{"-1", 1, u"负数也算"}, {"", 0, u"默认"}};
    const VerdictRule failingSkipped[] = {{"1/0 + 1", 3, u"不该"}, {"1 2", 3, u"不该"}, {"x", 2, u"x 非零"}};
    const VerdictRule emptyVerdict[] = {{"1", 2, u""}, {"1", 3, u"后面的不看"}};
    const VerdictRule noneMatch[] = {{"0", 3, u"不该"}, {"x < 0", 2, u"不该"}};
    const struct {
        const char* name;
        const VerdictRule* rules;
        int count;
        const char16_t* verdict;
        Level level;
    } cases[] = {
        {"unknown name skipped", unknownFirst, 3, u"二", 2},
        {"negative matches", negativeMatches, 2, u"负数也算", 1},
        {"failing conditions skipped", failingSkipped, 3, u"x 非零", 2},
        {"empty verdict keeps the level", emptyVerdict, 2, DEFAULT_VERDICT, 2},
        {"no rule matches", noneMatch, 2, DEFAULT_VERDICT, 0},
        {"no rules", nullptr, 0, DEFAULT_VERDICT, 0},
    };
    for (const auto& c : cases) {
        double inputs[MAX_INPUTS] = {2.0};
        const Outcome r = run(formulaTool(outputs, 1, c.rules, c.count), inputs);
        EXPECT_EQ(r.verdict, c.verdict) << c.name;
        EXPECT_EQ(r.level, c.level) << c.name;
        EXPECT_EQ(r.levelOut, c.level) << c.name;
        EXPECT_EQ(r.result, u"Y：3.00\r\n") << c.name;
    }
}

TEST(EvaluateTool, LongLineIsCutAndLosesItsLineEnd) {
    const std::u16string label(300, u'标');
    const OutputField outputs[] = {
        {"a", label.c_str(), nullptr, "1", nullptr},
        {"b", u"乙", nullptr, "2", nullptr},
    };
    double inputs[MAX_INPUTS] = {};
    const Outcome r = run(formulaTool(outputs, 2, nullptr, 0), inputs);
    EXPECT_EQ(r.result, std::u16string(255, u'标') + u"乙：2.00\r\n");
}

// Every small capacity: the texts are the prefixes of the whole texts, always
// terminated, nothing written past the capacity.
TEST(EvaluateTool, CutTextsAtEveryCapacity) {
    const OutputField outputs[] = {
        {"a", u"甲", u"mg", "1", "f0"},
        {"b", u"乙", nullptr, "nope", nullptr},
    };
    const VerdictRule rules[] = {{"a", 1, u"十二个字的判断文本正好满"}};
    const ToolDefinition tool = formulaTool(outputs, 2, rules, 1);
    double inputs[MAX_INPUTS] = {};
    const Outcome whole = run(tool, inputs);
    ASSERT_EQ(whole.result, u"甲：1 mg\r\n乙：0.00\r\n（部分结果无法计算，请检查输入是否合理）\r\n");
    for (int cap = 1; cap <= static_cast<int>(whole.result.size()) + 2; ++cap) {
        const Outcome r = run(tool, inputs, cap, cap, cap);
        const size_t keep = static_cast<size_t>(cap - 1);
        EXPECT_EQ(r.result, whole.result.substr(0, keep)) << cap;
        EXPECT_EQ(r.verdict, whole.verdict.substr(0, keep)) << cap;
        EXPECT_EQ(r.last, whole.result.substr(0, keep)) << cap;
        EXPECT_EQ(r.level, 1) << cap;
    }
    // The copy may be smaller than the result, or larger.
    const Outcome small = run(tool, inputs, 4096, 512, 3);
    EXPECT_EQ(small.last, u"甲：");
    const Outcome defaultCut = run(formulaTool(outputs, 2, nullptr, 0), inputs, 4096, 5, 4096);
    EXPECT_EQ(defaultCut.verdict, u"请核对输");
}

// A definition that claims more outputs than the 16 values kept: the extra
// ones are never evaluated nor shown, and nothing is written out of bounds.
TEST(EvaluateTool, OutputsBeyondSixteenAreIgnored) {
    OutputField outputs[MAX_OUTPUTS + 1];
    for (int i = 0; i <= MAX_OUTPUTS; ++i) outputs[i] = {"v", u"V", nullptr, "1", "f0"};
    outputs[MAX_OUTPUTS].label = u"多余";
    double inputs[MAX_INPUTS] = {};
    const Outcome r = run(formulaTool(outputs, MAX_OUTPUTS + 1, nullptr, 0), inputs);
    std::u16string expected;
    for (int i = 0; i < MAX_OUTPUTS; ++i) expected += u"V：1\r\n";
    EXPECT_EQ(r.result, expected);
}

TEST(EvaluateTool, NoBuffersAtAll) {
    double inputs[MAX_INPUTS] = {50};
    Level level = -1;
    EXPECT_EQ(evaluateTool(builtinTool(), inputs, nullptr, 0, nullptr, 0, &level, nullptr, 0), 1);
    EXPECT_EQ(level, 1);
    EXPECT_EQ(evaluateTool(builtinTool(), inputs, nullptr, 0, nullptr, 0, nullptr, nullptr, 0), 1);
}

// ---- Report tools -----------------------------------------------------------

TEST(EvaluateTool, ReportKindGoesToTheDispatcher) {
    const OutputField outputs[] = {{"a", u"甲", nullptr, "1", nullptr}};
    const VerdictRule rules[] = {{"", 3, u"规则不看"}};
    for (const ReportKind kind : {-1, 12, 99}) {
        ToolDefinition tool = formulaTool(outputs, 1, rules, 1);
        tool.kind = kind;
        double inputs[MAX_INPUTS] = {};
        const Outcome r = run(tool, inputs);
        EXPECT_EQ(r.result, u16(NO_REPORT_TEXT)) << kind;
        EXPECT_EQ(r.verdict, u16(NO_REPORT_VERDICT)) << kind;
        EXPECT_EQ(r.level, 0) << kind;
        EXPECT_EQ(r.last, r.result) << kind;
        // Cut by the copy's own capacity.
        const Outcome cut = run(tool, inputs, 4096, 512, 4);
        EXPECT_EQ(cut.last, r.result.substr(0, 3)) << kind;
    }
    // A generator's report reaches the copy too, and no default verdict is added.
    for (ReportKind kind = 1; kind <= REPORT_KIND_COUNT; ++kind) {
        ToolDefinition tool = formulaTool(outputs, 1, rules, 1);
        tool.kind = kind;
        double inputs[MAX_INPUTS] = {};
        const Outcome r = run(tool, inputs);
        EXPECT_EQ(r.last, r.result) << kind;
        EXPECT_NE(r.verdict, u16(DEFAULT_VERDICT)) << kind;
        EXPECT_NE(r.verdict, u"规则不看") << kind;
    }
}

}  // namespace
