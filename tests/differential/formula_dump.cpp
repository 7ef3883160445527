// Evaluates formulas for compare_formulas_32_64.py, which runs this program
// from a 64-bit and a 32-bit build and compares what they print.
//
// stdin: one formula a line, as hexadecimal digits of its bytes (any byte
// survives). stdout, one line each: the value's IEEE 754 bits in hexadecimal,
// the failure flag, and the value as "%.17g" and "%.2f" text of the program's
// own formatter.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/formula.h"
#include "engine/numtext.h"
#include "engine/tool.h"

namespace {

const InputField INPUTS[] = {
    {"crp", u"CRP", u"mg/L", 8.0}, {"x", u"x", nullptr, 0.0}, {"y", u"y", nullptr, 0.0},
    {"_a1", u"a", nullptr, 0.0},   {"level", u"hides the output", nullptr, 0.0},
};
const OutputField OUTPUTS[] = {
    {"level", u"level", nullptr, "0", nullptr},
    {"z", u"z", nullptr, "0", nullptr},
};
const ToolDefinition TOOL = {
    901, u"dump", nullptr, u"dump", u"dump", nullptr, 5, INPUTS, 2, OUTPUTS, 0, nullptr, 0,
};
const double INPUT_VALUES[] = {8.0, 2.0, 3.0, -1.5, 99.0};
const double OUTPUT_VALUES[] = {1.0, 0.1};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int main() {
    std::string line, text, out;
    char buffer[400];   // "%.2f" of the largest double fits
    int c = 0;
    while ((c = std::getchar()) != EOF) {
        if (c != '\n') {
            line.push_back(static_cast<char>(c));
            continue;
        }
        text.clear();
        for (size_t i = 0; i + 1 < line.size(); i += 2) {
            text.push_back(static_cast<char>(hexDigit(line[i]) * 16 + hexDigit(line[i + 1])));
        }
        line.clear();
        int failed = -1;
        const double value = evaluateFormula(TOOL, text.c_str(), INPUT_VALUES, OUTPUT_VALUES, &failed);
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 60; shift >= 0; shift -= 4) out.push_back("0123456789abcdef"[(bits >> shift) & 15]);
        out.push_back(' ');
        out.push_back(static_cast<char>('0' + failed));
        for (int precision : {17, 2}) {
            const int n = precision == 17 ? formatGeneral(buffer, sizeof buffer, value, 17)
                                          : formatFixed(buffer, sizeof buffer, value, 2);
            out.push_back(' ');
            out.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        }
        out.push_back('\n');
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
