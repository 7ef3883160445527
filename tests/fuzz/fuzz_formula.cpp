// The formula evaluator on arbitrary bytes and arbitrary input values.
//
// Input layout: the formula text up to the first NUL byte (all of it when
// there is none); after the NUL, up to eight bytes per input value (raw
// IEEE 754 bits) and then one byte per output value. Missing values are 0.
//
// Properties:
//   * failed is always 0 or 1, and a success has a finite value;
//   * the same text evaluated twice gives bit-identical values and flags;
//   * "(" F ")" agrees with F: a success stays the same success (same bits),
//     and, when F has no ')' of its own that could close the new one, a
//     failure stays a failure. Only while F is shallow enough that the extra
//     level cannot reach the nesting bound;
//   * white space inserted between tokens changes neither the value bits
//     nor the flag (tokens: numbers as strtod reads them, names of at most
//     63 characters, runs of the characters that make up the two-character
//     operators and "**", every other character alone).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/formula.h"
#include "engine/tool.h"
#include "fuzz_support.h"

namespace {

const char* const LONG_NAME = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijk";   // 63
static_assert(sizeof("abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijk") == 64);

// Names chosen to meet the interesting rules: a function's name as an input,
// an input hiding an output, a name of exactly 63 characters.
const InputField INPUTS[] = {
    {"crp", u"CRP", u"mg/L", 8.0},
    {"x", u"x", nullptr, 0.0},
    {"y", u"y", nullptr, 0.0},
    {"sqrt", u"sqrt", nullptr, 0.0},
    {"_a1", u"a", nullptr, 0.0},
    {LONG_NAME, u"long", nullptr, 0.0},
    {"level", u"hides the output", nullptr, 0.0},
};
constexpr int INPUT_COUNT = sizeof INPUTS / sizeof INPUTS[0];
const OutputField OUTPUTS[] = {
    {"level", u"分级", u"级", "crp<10?0:crp<40?1:crp<100?2:3", "f0"},
    {"z", u"z", nullptr, "x+y", nullptr},
    {"w", u"w", nullptr, "z*2", "f1"},
};
constexpr int OUTPUT_COUNT = sizeof OUTPUTS / sizeof OUTPUTS[0];
const ToolDefinition TOOL = {
    900, u"fuzz", nullptr, u"fuzz", u"fuzz", nullptr,
    INPUT_COUNT, INPUTS, OUTPUT_COUNT, OUTPUTS, 0, nullptr, 0,
};

struct Outcome {
    double value;
    int failed;
};

// The text in a buffer of exactly its length plus the terminator, so any read
// past the terminator is an AddressSanitizer report.
Outcome evaluate(const std::string& text, const double* inputs, const double* outputs) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    int failed = -1;
    const double value = evaluateFormula(TOOL, buffer.data(), inputs, outputs, &failed);
    FUZZ_CHECK(failed == 0 || failed == 1, "failed = %d", failed);
    FUZZ_CHECK(failed == 1 || std::isfinite(value), "success with a non-finite value");
    return Outcome{value, failed};
}

bool same(const Outcome& a, const Outcome& b) {
    return a.failed == b.failed && fuzz::bitsOf(a.value) == fuzz::bitsOf(b.value);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || isDigit(c);
}

// Characters that take part in the two-character operators and in "**".
bool isPairChar(char c) {
    return c == '<' || c == '>' || c == '=' || c == '!' || c == '&' || c == '|' || c == '*';
}

// Splits the text into the tokens between which the grammar allows white
// space. Numbers take the extent that glibc's strtod gives them in the "C"
// locale, an oracle independent of the evaluator's own reader.
std::vector<std::string> tokens(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        size_t n = 1;
        if (isDigit(c) || c == '.') {
            char* end = nullptr;
            strtod_l(text.c_str() + i, &end, fuzz::cLocale());
            const size_t used = static_cast<size_t>(end - (text.c_str() + i));
            if (used > 0) n = used;
        } else if (isNameChar(c)) {
            // The reader takes at most 63 characters of a name; what stands
            // after the cut is read as the tokens it forms by itself (the
            // digits of "z...z33" cut before "33", then "33." a number).
            while (n < 63 && i + n < text.size() && isNameChar(text[i + n])) ++n;
        } else if (isPairChar(c)) {
            // '!' is a prefix or the start of "!=" depending on where it
            // stands, so "!==" may read as "!" "==": a run of these
            // characters is never split.
            while (i + n < text.size() && isPairChar(text[i + n])) ++n;
        }
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

// Characters that open one level of nesting; their count bounds the depth.
size_t openers(const std::string& text) {
    size_t n = 0;
    for (char c : text) {
        if (c == '(' || c == '-' || c == '+' || c == '!' || c == '^' || c == '?') ++n;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t textSize = nul != nullptr ? static_cast<size_t>(nul - data) : size;
    const std::string text(reinterpret_cast<const char*>(data), textSize);

    double inputs[MAX_INPUTS] = {8.0, 2.0, 3.0, 16.0, -1.5, 7.0, 99.0};
    double outputs[MAX_OUTPUTS] = {};
    if (nul != nullptr) {
        const uint8_t* rest = nul + 1;
        size_t restSize = size - textSize - 1;
        for (int i = 0; i < INPUT_COUNT && restSize > 0; ++i) {
            uint64_t bits = 0;
            const size_t take = restSize < 8 ? restSize : 8;
            std::memcpy(&bits, rest, take);
            inputs[i] = fuzz::doubleOf(bits);
            rest += take;
            restSize -= take;
        }
        for (int i = 0; i < OUTPUT_COUNT && restSize > 0; ++i) {
            outputs[i] = static_cast<int8_t>(*rest) / 4.0;
            ++rest;
            --restSize;
        }
    }

    // Null and empty texts.
    {
        int failed = -1;
        const double value = evaluateFormula(TOOL, nullptr, inputs, outputs, &failed);
        FUZZ_CHECK(failed == 1 && value == 0.0, "null text");
    }

    const Outcome first = evaluate(text, inputs, outputs);
    const Outcome again = evaluate(text, inputs, outputs);
    FUZZ_CHECK(same(first, again), "not deterministic: %a/%d then %a/%d", first.value, first.failed,
               again.value, again.failed);

    // In parentheses.
    if (openers(text) + 2 <= static_cast<size_t>(FORMULA_MAX_DEPTH)) {
        const Outcome wrapped = evaluate("(" + text + ")", inputs, outputs);
        if (first.failed == 0) {
            FUZZ_CHECK(same(first, wrapped), "(F) differs from a successful F: %a/%d vs %a/%d", first.value,
                       first.failed, wrapped.value, wrapped.failed);
        } else if (text.find(')') == std::string::npos) {
            FUZZ_CHECK(wrapped.failed == 1, "(F) succeeds where F fails");
        }
    }

    // White space between tokens: at every boundary, or at some chosen ones.
    const std::vector<std::string> pieces = tokens(text);
    fuzz::Choices choices(data, size);
    static const char* const SPACES[] = {" ", "\t", "\n", "\r", "  ", " \t\r\n"};
    for (int round = 0; round < 2; ++round) {
        std::string spaced;
        for (const std::string& piece : pieces) {
            if (round == 0 || choices.below(2) == 0) spaced += SPACES[choices.below(6)];
            spaced += piece;
        }
        if (round == 0 || choices.below(2) == 0) spaced += SPACES[choices.below(6)];
        const Outcome other = evaluate(spaced, inputs, outputs);
        FUZZ_CHECK(same(first, other), "white space between tokens changed %a/%d into %a/%d", first.value,
                   first.failed, other.value, other.failed);
    }
    return 0;
}
