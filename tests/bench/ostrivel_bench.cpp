// The grading formula of the built-in tool, four ways:
//   Formula_Grading     our reader, from the text at every call (as designed)
//   Tool_Builtin        evaluateTool on the built-in tool: three formulas,
//                       formatting and texts
//   Muparser_Parse      muparser, SetExpr + Eval: parse and evaluate
//   Muparser_Compiled   muparser, Eval of the already parsed expression
//   Cpp_Grading         the same grading written in C++ (the floor)
// all at crp 50. The run ends with the medians and their ratios.
//
// Without arguments it runs 7 repetitions and keeps the aggregates; any
// Google Benchmark flag given replaces those defaults.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/formula.h"
#include "engine/tool.h"

#if OSTRIVEL_BENCH_MUPARSER
#include <muParser.h>
#endif

namespace {

const char GRADING[] = "crp<10?0:crp<40?1:crp<100?2:3";
constexpr double CRP = 50.0;

void Formula_Grading(benchmark::State& state) {
    const ToolDefinition& tool = builtinTool();
    double inputs[MAX_INPUTS] = {CRP};
    const double outputs[MAX_OUTPUTS] = {};
    for (auto _ : state) {
        benchmark::DoNotOptimize(inputs);
        int failed = 0;
        double v = evaluateFormula(tool, GRADING, inputs, outputs, &failed);
        benchmark::DoNotOptimize(v);
        benchmark::DoNotOptimize(failed);
    }
}
BENCHMARK(Formula_Grading);

void Tool_Builtin(benchmark::State& state) {
    static char16_t result[4096];
    static char16_t verdict[512];
    static char16_t last[8192];
    double inputs[MAX_INPUTS] = {CRP};
    for (auto _ : state) {
        benchmark::DoNotOptimize(inputs);
        Level level = 0;
        Level r = evaluateTool(builtinTool(), inputs, result, 4096, verdict, 512, &level, last, 8192);
        benchmark::DoNotOptimize(r);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Tool_Builtin);

#if OSTRIVEL_BENCH_MUPARSER
void Muparser_Parse(benchmark::State& state) {
    double crp = CRP;
    mu::Parser parser;
    parser.DefineVar("crp", &crp);
    const std::string text = GRADING;
    for (auto _ : state) {
        parser.SetExpr(text);
        double v = parser.Eval();
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(Muparser_Parse);

void Muparser_Compiled(benchmark::State& state) {
    double crp = CRP;
    mu::Parser parser;
    parser.DefineVar("crp", &crp);
    parser.SetExpr(GRADING);
    parser.Eval();   // the first Eval parses; later ones run the byte code
    for (auto _ : state) {
        benchmark::DoNotOptimize(crp);
        double v = parser.Eval();
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(Muparser_Compiled);
#endif

double cppGrading(double crp) { return crp < 10 ? 0 : crp < 40 ? 1 : crp < 100 ? 2 : 3; }

void Cpp_Grading(benchmark::State& state) {
    double crp = CRP;
    for (auto _ : state) {
        benchmark::DoNotOptimize(crp);
        double v = cppGrading(crp);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(Cpp_Grading);

// Prints as usual and keeps the median (or, without repetitions, the single
// result) of every benchmark for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            const double ns = run.GetAdjustedCPUTime() * nanosecondsPer(run.time_unit);
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") medians_[name] = ns;
            } else if (run.repetitions <= 1) {
                medians_[name] = ns;
            }
        }
    }

    void printSummary() const {
        std::printf("\nMedians of CPU time (ns per call, crp %.0f):\n", CRP);
        for (const auto& [name, ns] : medians_) std::printf("  %-20s %10.1f\n", name.c_str(), ns);
        auto ratio = [&](const char* a, const char* b, const char* target) {
            const auto x = medians_.find(a);
            const auto y = medians_.find(b);
            if (x == medians_.end() || y == medians_.end() || y->second <= 0) return;
            std::printf("  %-17s / %-17s = %6.2f   %s\n", a, b, x->second / y->second, target);
        };
        std::printf("Ratios:\n");
        ratio("Formula_Grading", "Muparser_Compiled", "(target: at most 2)");
        ratio("Formula_Grading", "Muparser_Parse", "");
        ratio("Formula_Grading", "Cpp_Grading", "");
        ratio("Muparser_Parse", "Muparser_Compiled", "");
        ratio("Tool_Builtin", "Formula_Grading", "");
        const auto tool = medians_.find("Tool_Builtin");
        if (tool != medians_.end()) {
            std::printf("  Tool_Builtin %.1f ns %s the 300 ns target\n", tool->second,
                        tool->second < 300 ? "is within" : "MISSES");
        }
    }

private:
    static double nanosecondsPer(benchmark::TimeUnit unit) {
        switch (unit) {
        case benchmark::kNanosecond: return 1.0;
        case benchmark::kMicrosecond: return 1e3;
        case benchmark::kMillisecond: return 1e6;
        case benchmark::kSecond: return 1e9;
        }
        return 1.0;
    }
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    static char repetitions[] = "--benchmark_repetitions=7";
    static char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    if (argc == 1) {
        args.push_back(repetitions);
        args.push_back(aggregatesOnly);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

#if OSTRIVEL_BENCH_MUPARSER
    // The two readers must agree before their speeds are compared.
    for (double crp : {8.0, 10.0, 40.0, 50.0, 100.0}) {
        double inputs[MAX_INPUTS] = {crp};
        const double outputs[MAX_OUTPUTS] = {};
        int failed = 0;
        const double ours = evaluateFormula(builtinTool(), GRADING, inputs, outputs, &failed);
        double var = crp;
        mu::Parser parser;
        parser.DefineVar("crp", &var);
        parser.SetExpr(GRADING);
        const double theirs = parser.Eval();
        if (failed != 0 || ours != theirs || ours != cppGrading(crp)) {
            std::fprintf(stderr, "grading differs at crp %g: ours %g, muparser %g\n", crp, ours, theirs);
            return 1;
        }
    }
#endif

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    benchmark::Shutdown();
    return 0;
}
