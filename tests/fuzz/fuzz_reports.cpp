// The report dispatcher and the eleven generators (and evaluateTool around
// them) with random kinds, inputs, dates and capacities from 1 up.
//
// Properties, against a run of the same input with ample buffers:
//   * nothing is written past either capacity (guard units), both texts are
//     terminated;
//   * the result text is the first capacity - 1 units of the ample report
//     (appends are bounded, never reordered), the verdict the first
//     capacity - 1 units of the ample verdict, the level the same;
//   * the ample report: for kinds 1..11 lines ending in CR LF, none longer
//     than 511 units but the piece-built lines of kinds 1 and 2; for any
//     other kind exactly the no-report texts; the
//     verdict a non-empty text of at most 20 units; the level 0..3, and 0
//     for every kind but 6;
//   * evaluateTool hands a report kind to the dispatcher and copies the
//     result into the last-result copy, bounded by its own capacity;
//     kind 0 runs random formulas through outputs and rules the same way.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/text.h"
#include "engine/tool.h"
#include "reports/report.h"
#include "fuzz_support.h"

namespace {

using fuzz::GuardedText;

constexpr int AMPLE = 1 << 16;

const char* const NAMES[] = {"nurses", "days",  "start", "interval", "times", "kind", "drugA", "drugB",
                             "gap",    "beds",  "bed",   "dose",     "volume", "gtt", "panel", "Kind",
                             "drug",   "",      "x",     "crp",      "level"};
constexpr size_t NAME_COUNT = sizeof NAMES / sizeof NAMES[0];

const char* const FORMULAS[] = {"crp<10?0:crp<40?1:crp<100?2:3", "x/0", "exp(1000)", "", "level+1", "sqrt(-1)",
                                "1e999", "x", "crp", "0/0", "-0", "2**3"};
const char* const CODES[] = {nullptr, "f0", "f1", "f2", "f3", "int", "pct", "date", "F2", ""};

double anyDouble(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: return fuzz::doubleOf(in.ConsumeIntegral<uint64_t>());
    case 1: return static_cast<double>(in.ConsumeIntegralInRange<int>(-3, 60));
    case 2: return static_cast<double>(in.ConsumeIntegral<int32_t>()) / 16.0;
    case 3: return in.ConsumeFloatingPoint<double>();
    default: return static_cast<double>(in.ConsumeIntegral<int64_t>());
    }
}

struct Run {
    std::u16string result;
    std::u16string verdict;
    std::u16string last;
    Level level;
};

Run runDispatcher(const ToolDefinition& tool, const double* values, int resultCapacity, int verdictCapacity) {
    GuardedText result(resultCapacity, 0x55);
    GuardedText verdict(verdictCapacity, 0x55);
    const Level level = runReport(tool.kind, tool, values, result.data(), resultCapacity, verdict.data(), verdictCapacity);
    FUZZ_CHECK(result.guardsIntact(), "kind %d wrote past the result capacity %d", tool.kind, resultCapacity);
    FUZZ_CHECK(verdict.guardsIntact(), "kind %d wrote past the verdict capacity %d", tool.kind, verdictCapacity);
    FUZZ_CHECK(result.terminatedLength() >= 0, "kind %d left the result unterminated", tool.kind);
    FUZZ_CHECK(verdict.terminatedLength() >= 0, "kind %d left the verdict unterminated", tool.kind);
    return Run{result.text(), verdict.text(), u"", level};
}

Run runTool(const ToolDefinition& tool, const double* values, int resultCapacity, int verdictCapacity, int lastCapacity) {
    GuardedText result(resultCapacity, 0x55);
    GuardedText verdict(verdictCapacity, 0x55);
    GuardedText last(lastCapacity, 0x55);
    Level stored = -99;
    const Level level = evaluateTool(tool, values, result.data(), resultCapacity, verdict.data(), verdictCapacity, &stored,
                                     last.data(), lastCapacity);
    FUZZ_CHECK(result.guardsIntact() && verdict.guardsIntact() && last.guardsIntact(),
               "evaluateTool wrote past a capacity (%d, %d, %d)", resultCapacity, verdictCapacity, lastCapacity);
    FUZZ_CHECK(result.terminatedLength() >= 0 && verdict.terminatedLength() >= 0 && last.terminatedLength() >= 0,
               "evaluateTool left a text unterminated");
    FUZZ_CHECK(stored == level, "level stored %d, returned %d", stored, level);
    FUZZ_CHECK(last.text() == result.text().substr(0, static_cast<size_t>(lastCapacity - 1)),
               "the last-result copy is not the result text");
    return Run{result.text(), verdict.text(), last.text(), level};
}

std::u16string prefix(const std::u16string& s, int capacity) { return s.substr(0, static_cast<size_t>(capacity - 1)); }

int capacityFrom(FuzzedDataProvider& in, int large) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(1, 64) : in.ConsumeIntegralInRange<int>(1, large);
}

void checkReportShape(const ToolDefinition& tool, const Run& ample) {
    const ReportKind kind = tool.kind;
    FUZZ_CHECK(ample.level >= 0 && ample.level <= 3, "kind %d gave level %d", kind, ample.level);
    FUZZ_CHECK(kind == 6 || ample.level == 0, "kind %d gave level %d", kind, ample.level);
    FUZZ_CHECK(!ample.verdict.empty() && ample.verdict.size() <= 20, "kind %d verdict of %zu units", kind,
               ample.verdict.size());
    if (kind < 1 || kind > REPORT_KIND_COUNT) {
        FUZZ_CHECK(ample.result == NO_REPORT_TEXT && ample.verdict == NO_REPORT_VERDICT, "kind %d: not the no-report texts",
                   kind);
        return;
    }
    const std::u16string& r = ample.result;
    FUZZ_CHECK(r.size() >= 2 && r.compare(r.size() - 2, 2, u"\r\n") == 0, "kind %d report does not end in CR LF", kind);
    size_t lineStart = 0;
    for (size_t i = 0; i + 1 < r.size(); ++i) {
        if (r[i] == u'\r' && r[i + 1] == u'\n') {
            // Kinds 1 and 2 build some lines piece by piece; every other
            // line went through appendLine's 512-unit scratch.
            FUZZ_CHECK(kind == 1 || kind == 2 || i - lineStart <= 511, "kind %d has a line of %zu units", kind,
                       i - lineStart);
            lineStart = i + 2;
        }
    }
    FUZZ_CHECK(lineStart == r.size(), "kind %d report ends in a partial line", kind);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    ReportKind kind = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-1, 12) : in.ConsumeIntegral<int32_t>();

    const int inputCount = in.ConsumeIntegralInRange<int>(0, MAX_INPUTS);
    std::vector<InputField> inputs;
    std::vector<double> values;
    for (int i = 0; i < inputCount; ++i) {
        const size_t n = in.ConsumeIntegralInRange<size_t>(0, NAME_COUNT);
        inputs.push_back(InputField{n < NAME_COUNT ? NAMES[n] : nullptr, u"label", nullptr, 0.0});
        values.push_back(anyDouble(in));
    }

    // Kind 0 is a formula tool: random formulas in its outputs and rules.
    std::vector<std::string> formulaTexts;
    std::vector<OutputField> outputs;
    std::vector<VerdictRule> rules;
    if (kind == 0) {
        const int outputCount = in.ConsumeIntegralInRange<int>(0, 4);
        for (int i = 0; i < outputCount; ++i) {
            formulaTexts.push_back(in.ConsumeBool() ? FORMULAS[in.ConsumeIntegralInRange<size_t>(0, 11)]
                                                    : in.ConsumeRandomLengthString(40));
        }
        const int ruleCount = in.ConsumeIntegralInRange<int>(0, 3);
        for (int i = 0; i < ruleCount; ++i) formulaTexts.push_back(in.ConsumeRandomLengthString(30));
        for (int i = 0; i < outputCount; ++i) {
            outputs.push_back(OutputField{i == 0 ? "level" : "o", u"分级", in.ConsumeBool() ? u"级" : nullptr,
                                          formulaTexts[static_cast<size_t>(i)].c_str(),
                                          CODES[in.ConsumeIntegralInRange<size_t>(0, 9)]});
        }
        for (int i = 0; i < ruleCount; ++i) {
            rules.push_back(VerdictRule{formulaTexts[static_cast<size_t>(outputCount + i)].c_str(),
                                        in.ConsumeIntegralInRange<int>(0, 3), in.ConsumeBool() ? u"规则" : u""});
        }
    }

    CivilDate today{2024, 1, 1};
    if (in.ConsumeBool()) {
        today = CivilDate{in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>(), in.ConsumeIntegral<int32_t>()};
    } else {
        today = CivilDate{in.ConsumeIntegralInRange<int32_t>(1, 9999), in.ConsumeIntegralInRange<int32_t>(1, 12),
                          in.ConsumeIntegralInRange<int32_t>(1, 31)};
    }
    setReportTodayForTesting(&today);

    const ToolDefinition tool = {
        901, u"fuzz", nullptr, u"fuzz", u"fuzz", nullptr,
        inputCount, inputs.empty() ? nullptr : inputs.data(),
        static_cast<int32_t>(outputs.size()), outputs.empty() ? nullptr : outputs.data(),
        static_cast<int32_t>(rules.size()), rules.empty() ? nullptr : rules.data(), kind,
    };
    const double* valueArray = values.empty() ? nullptr : values.data();
    const int resultCapacity = capacityFrom(in, 9000);
    const int verdictCapacity = capacityFrom(in, 600);
    const int lastCapacity = capacityFrom(in, 9000);

    if (kind != 0) {
        const Run ample = runDispatcher(tool, valueArray, AMPLE, 600);
        checkReportShape(tool, ample);
        const Run again = runDispatcher(tool, valueArray, AMPLE, 600);
        FUZZ_CHECK(again.result == ample.result && again.verdict == ample.verdict && again.level == ample.level,
                   "kind %d not deterministic", kind);
        const Run bounded = runDispatcher(tool, valueArray, resultCapacity, verdictCapacity);
        FUZZ_CHECK(bounded.result == prefix(ample.result, resultCapacity),
                   "kind %d with capacity %d is not the first units of the report", kind, resultCapacity);
        FUZZ_CHECK(bounded.verdict == prefix(ample.verdict, verdictCapacity), "kind %d verdict in %d units", kind,
                   verdictCapacity);
        FUZZ_CHECK(bounded.level == ample.level, "kind %d level depends on the capacity", kind);

        const Run viaTool = runTool(tool, valueArray, resultCapacity, verdictCapacity, lastCapacity);
        FUZZ_CHECK(viaTool.result == bounded.result && viaTool.verdict == bounded.verdict && viaTool.level == bounded.level,
                   "evaluateTool of kind %d differs from runReport", kind);
    } else {
        const Run ample = runTool(tool, valueArray, AMPLE, 600, AMPLE);
        FUZZ_CHECK(!ample.verdict.empty(), "a formula tool without a verdict");
        const Run bounded = runTool(tool, valueArray, resultCapacity, verdictCapacity, lastCapacity);
        FUZZ_CHECK(bounded.result == prefix(ample.result, resultCapacity), "formula tool result in %d units", resultCapacity);
        FUZZ_CHECK(bounded.verdict == prefix(ample.verdict, verdictCapacity), "formula tool verdict in %d units",
                   verdictCapacity);
        FUZZ_CHECK(bounded.level == ample.level, "formula tool level depends on the capacity");
    }
    setReportTodayForTesting(nullptr);
    return 0;
}
