// The formula language: a single-pass recursive-descent reader that computes
// while it reads, one function per precedence level in the manner of
// tinyexpr and Lua's parser. Every level takes the one FormulaContext of the
// evaluation by reference; nothing is allocated and nothing outlives the call.
//
// Errors never stop the reading. A failing piece sets ctx.errorFlag, yields 0
// in its place, and the reading goes on from a well-defined cursor position;
// whether the whole evaluation failed is decided once, in evaluateFormula.
//
// Nesting (parentheses, call arguments, prefixes, '^' exponents and '?'
// branches) is bounded by FORMULA_MAX_DEPTH, as Lua bounds its C stack with
// enterlevel: a construct one level too deep sets the error flag and yields 0
// without recursing, so a text of 100,000 '(' costs 200 levels of stack and
// then unwinds. The frames are small (the only buffer is the 64-byte name in
// nameOrCall), which keeps the deepest formula far inside a 1 MB stack.

#include "engine/formula.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/numtext.h"

namespace {

constexpr int NAME_CAPACITY = 64;   // 63 characters and the terminator

// Characters: ASCII only, never the C library's locale-dependent classes.
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isNameStart(char c) { return isLetter(c) || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || isDigit(c); }

void skipSpace(FormulaContext& ctx) {
    while (isSpace(*ctx.cursor)) ++ctx.cursor;
}

// Both characters must be adjacent; cursor[1] is only read when cursor[0]
// matched, so the terminator is never passed.
bool atPair(const FormulaContext& ctx, char first, char second) {
    return ctx.cursor[0] == first && ctx.cursor[1] == second;
}

// Opens one level of nesting, or fails the formula when the bound is reached.
bool enterLevel(FormulaContext& ctx) {
    if (ctx.depth >= FORMULA_MAX_DEPTH) {
        ctx.errorFlag = 1;
        return false;
    }
    ++ctx.depth;
    return true;
}

void leaveLevel(FormulaContext& ctx) { --ctx.depth; }

double truth(bool b) { return b ? 1.0 : 0.0; }

// ---- Function tables ------------------------------------------------------

// A function sets *domainError for an argument outside its domain; the call
// then yields 0 and fails the formula.
struct UnaryFunction {
    const char* name;
    double (*apply)(double x, bool* domainError);
};

struct BinaryFunction {
    const char* name;
    double (*apply)(double a, double b, bool* domainError);
};

// The double nearest to 1/3.
constexpr double ONE_THIRD = 0.3333333333333333;

// NaN passes the domain tests (every comparison with it is false) and yields NaN.
const UnaryFunction UNARY_FUNCTIONS[] = {
    {"sqrt", [](double x, bool* e) { if (x < 0.0) { *e = true; return 0.0; } return std::sqrt(x); }},
    {"abs", [](double x, bool*) { return std::fabs(x); }},
    {"log", [](double x, bool* e) { if (x <= 0.0) { *e = true; return 0.0; } return std::log(x); }},
    {"log10", [](double x, bool* e) { if (x <= 0.0) { *e = true; return 0.0; } return std::log10(x); }},
    {"exp", [](double x, bool*) { return std::exp(x); }},
    {"floor", [](double x, bool*) { return std::floor(x); }},
    {"ceil", [](double x, bool*) { return std::ceil(x); }},
    // Halves go up: -2.5 gives -2, 2.5 gives 3.
    {"round", [](double x, bool*) { return std::floor(x + 0.5); }},
    {"cbrt", [](double x, bool*) { return x < 0.0 ? -std::pow(-x, ONE_THIRD) : std::pow(x, ONE_THIRD); }},
    {"sign", [](double x, bool*) { return x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0); }},
};
static_assert(sizeof(UNARY_FUNCTIONS) / sizeof(UNARY_FUNCTIONS[0]) == 10, "ten one-argument functions");

const BinaryFunction BINARY_FUNCTIONS[] = {
    // b when either is NaN: the comparison is false.
    {"min", [](double a, double b, bool*) { return a < b ? a : b; }},
    {"max", [](double a, double b, bool*) { return a > b ? a : b; }},
    {"pow", [](double a, double b, bool*) { return std::pow(a, b); }},
    {"mod", [](double a, double b, bool* e) { if (b == 0.0) { *e = true; return 0.0; } return std::fmod(a, b); }},
};
static_assert(sizeof(BINARY_FUNCTIONS) / sizeof(BINARY_FUNCTIONS[0]) == 4, "four two-argument functions");

// ---- Variables ------------------------------------------------------------

// Inputs first, then outputs; the first exact match wins.
bool lookupVariable(const FormulaContext& ctx, const char* name, double* value) {
    const ToolDefinition& tool = *ctx.tool;
    const int inputCount = tool.inputs == nullptr ? 0 : tool.inputCount < MAX_INPUTS ? tool.inputCount : MAX_INPUTS;
    for (int i = 0; i < inputCount; ++i) {
        const char* candidate = tool.inputs[i].name;
        if (candidate != nullptr && std::strcmp(candidate, name) == 0) {
            *value = ctx.inputValues[i];
            return true;
        }
    }
    const int outputCount = tool.outputs == nullptr ? 0 : tool.outputCount < MAX_OUTPUTS ? tool.outputCount : MAX_OUTPUTS;
    for (int i = 0; i < outputCount; ++i) {
        const char* candidate = tool.outputs[i].name;
        if (candidate != nullptr && std::strcmp(candidate, name) == 0) {
            *value = ctx.outputValues[i];
            return true;
        }
    }
    return false;
}

// ---- Levels ---------------------------------------------------------------

double conditional(FormulaContext& ctx);

// number := decimal | hexadecimal    (read as strtod reads an unsigned number)
double number(FormulaContext& ctx) {
    double value = 0.0;
    const size_t used = readUnsignedNumber(ctx.cursor, nullptr, &value);
    if (used == 0) {
        // A '.' that starts no number: 0, cursor not moved.
        ctx.errorFlag = 1;
        return 0.0;
    }
    ctx.cursor += used;
    return value;
}

// call := name '(' conditional [ ',' conditional ] ')'
double call(FormulaContext& ctx, const char* name) {
    ++ctx.cursor;   // the '('
    if (!enterLevel(ctx)) return 0.0;
    const double a = conditional(ctx);
    double b = 0.0;
    int argumentCount = 1;
    skipSpace(ctx);
    if (*ctx.cursor == ',') {
        ++ctx.cursor;
        b = conditional(ctx);
        argumentCount = 2;
        skipSpace(ctx);
    }
    leaveLevel(ctx);
    // A missing ')' fails the formula; the call is still computed and the
    // cursor stays at the character found in its place.
    if (*ctx.cursor == ')') {
        ++ctx.cursor;
    } else {
        ctx.errorFlag = 1;
    }

    bool domainError = false;
    if (argumentCount == 1) {
        for (const UnaryFunction& f : UNARY_FUNCTIONS) {
            if (std::strcmp(f.name, name) == 0) {
                const double value = f.apply(a, &domainError);
                if (domainError) break;
                return value;
            }
        }
    } else {
        for (const BinaryFunction& f : BINARY_FUNCTIONS) {
            if (std::strcmp(f.name, name) == 0) {
                const double value = f.apply(a, b, &domainError);
                if (domainError) break;
                return value;
            }
        }
    }
    // Unknown name for this argument count, or an argument outside the domain.
    ctx.errorFlag = 1;
    return 0.0;
}

// nameOrCall := name [ call ]
// name := ( letter | '_' ) { letter | digit | '_' }    (at most 63 read)
double nameOrCall(FormulaContext& ctx) {
    char name[NAME_CAPACITY];
    int length = 0;
    while (length < NAME_CAPACITY - 1 && isNameChar(*ctx.cursor)) {
        name[length++] = *ctx.cursor++;
    }
    name[length] = '\0';
    // Characters past the 63rd stay in the text, where no level reads them.
    skipSpace(ctx);
    if (*ctx.cursor == '(') return call(ctx, name);

    double value = 0.0;
    if (!lookupVariable(ctx, name, &value)) {
        ctx.errorFlag = 1;
        return 0.0;
    }
    return value;
}

// primary := '(' conditional ')' | number | nameOrCall
// (the prefixes '-', '+', '!' are taken by unary before primary is reached)
double primary(FormulaContext& ctx) {
    skipSpace(ctx);
    const char c = *ctx.cursor;
    if (c == '(') {
        ++ctx.cursor;
        if (!enterLevel(ctx)) return 0.0;
        const double value = conditional(ctx);
        leaveLevel(ctx);
        skipSpace(ctx);
        if (*ctx.cursor == ')') {
            ++ctx.cursor;
        } else {
            ctx.errorFlag = 1;   // value kept, cursor left at what stands there
        }
        return value;
    }
    if (isDigit(c) || c == '.') return number(ctx);
    if (isNameStart(c)) return nameOrCall(ctx);
    // Nothing can start here (the end of the text included): 0, cursor kept.
    ctx.errorFlag = 1;
    return 0.0;
}

// unary := '-' unary | '+' unary | '!' unary | primary
double unary(FormulaContext& ctx) {
    skipSpace(ctx);
    const char c = *ctx.cursor;
    if (c != '-' && c != '+' && c != '!') return primary(ctx);
    ++ctx.cursor;
    if (!enterLevel(ctx)) return 0.0;
    const double operand = unary(ctx);
    leaveLevel(ctx);
    if (c == '-') return -operand;
    if (c == '!') return truth(operand == 0.0);
    return operand;
}

// power := unary [ '^' power ]
double power(FormulaContext& ctx) {
    const double base = unary(ctx);
    skipSpace(ctx);
    if (*ctx.cursor != '^') return base;
    ++ctx.cursor;
    if (!enterLevel(ctx)) return 0.0;
    const double exponent = power(ctx);
    leaveLevel(ctx);
    return std::pow(base, exponent);
}

// multiplicative := power { ( '*' | '/' | '%' ) power }
// A zero divisor replaces the whole product with 0 and ends it at once.
double multiplicative(FormulaContext& ctx) {
    double value = power(ctx);
    for (;;) {
        skipSpace(ctx);
        const char op = *ctx.cursor;
        if (op == '*') {
            if (ctx.cursor[1] == '*') return value;   // "**" is no operator
            ++ctx.cursor;
            value *= power(ctx);
        } else if (op == '/' || op == '%') {
            ++ctx.cursor;
            const double divisor = power(ctx);
            if (divisor == 0.0) {
                ctx.errorFlag = 1;
                return 0.0;
            }
            value = op == '/' ? value / divisor : std::fmod(value, divisor);
        } else {
            return value;
        }
    }
}

// additive := multiplicative { ( '+' | '-' ) multiplicative }
double additive(FormulaContext& ctx) {
    double value = multiplicative(ctx);
    for (;;) {
        skipSpace(ctx);
        const char op = *ctx.cursor;
        if (op != '+' && op != '-') return value;
        ++ctx.cursor;
        const double right = multiplicative(ctx);
        value = op == '+' ? value + right : value - right;
    }
}

// comparison := additive [ ( '<=' | '>=' | '==' | '!=' | '<' | '>' ) additive ]
// Comparisons do not chain: a second operator is left for the caller, which
// cannot read it, so the formula fails.
double comparison(FormulaContext& ctx) {
    const double left = additive(ctx);
    skipSpace(ctx);
    enum class Op { None, Le, Ge, Eq, Ne, Lt, Gt };
    Op op = Op::None;
    if (atPair(ctx, '<', '=')) op = Op::Le;
    else if (atPair(ctx, '>', '=')) op = Op::Ge;
    else if (atPair(ctx, '=', '=')) op = Op::Eq;
    else if (atPair(ctx, '!', '=')) op = Op::Ne;
    else if (*ctx.cursor == '<') op = Op::Lt;
    else if (*ctx.cursor == '>') op = Op::Gt;
    if (op == Op::None) return left;
    ctx.cursor += (op == Op::Lt || op == Op::Gt) ? 1 : 2;
    const double right = additive(ctx);
    // With a NaN operand every relation but != is false, as IEEE 754 has it.
    switch (op) {
    case Op::Le: return truth(left <= right);
    case Op::Ge: return truth(left >= right);
    case Op::Eq: return truth(left == right);
    case Op::Ne: return truth(left != right);
    case Op::Lt: return truth(left < right);
    case Op::Gt: return truth(left > right);
    case Op::None: break;
    }
    return left;
}

// andExpr := comparison { '&&' comparison }    (both sides always read)
double andExpr(FormulaContext& ctx) {
    double value = comparison(ctx);
    for (;;) {
        skipSpace(ctx);
        if (!atPair(ctx, '&', '&')) return value;
        ctx.cursor += 2;
        const double right = comparison(ctx);
        value = truth(value != 0.0 && right != 0.0);
    }
}

// orExpr := andExpr { '||' andExpr }    (both sides always read)
double orExpr(FormulaContext& ctx) {
    double value = andExpr(ctx);
    for (;;) {
        skipSpace(ctx);
        if (!atPair(ctx, '|', '|')) return value;
        ctx.cursor += 2;
        const double right = andExpr(ctx);
        value = truth(value != 0.0 || right != 0.0);
    }
}

// conditional := orExpr [ '?' conditional ':' conditional ]
// Both branches are always read; a NaN condition chooses the first.
double conditional(FormulaContext& ctx) {
    const double condition = orExpr(ctx);
    skipSpace(ctx);
    if (*ctx.cursor != '?') return condition;
    ++ctx.cursor;
    if (!enterLevel(ctx)) return 0.0;
    const double whenTrue = conditional(ctx);
    skipSpace(ctx);
    if (*ctx.cursor == ':') {
        ++ctx.cursor;
    } else {
        ctx.errorFlag = 1;   // the false branch is read from here
    }
    const double whenFalse = conditional(ctx);
    leaveLevel(ctx);
    return condition == 0.0 ? whenFalse : whenTrue;
}

}  // namespace

double evaluateFormula(const ToolDefinition& tool, const char* text,
                       const double* inputValues, const double* outputValues,
                       int* failed) {
    if (text == nullptr || text[0] == '\0') {
        *failed = 1;
        return 0.0;
    }
    FormulaContext ctx{&tool, inputValues, outputValues, text, 0, 0};
    const double value = conditional(ctx);
    skipSpace(ctx);
    const bool leftOver = *ctx.cursor != '\0';
    *failed = (leftOver || ctx.errorFlag != 0 || !std::isfinite(value)) ? 1 : 0;
    return value;
}
