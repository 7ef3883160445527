// The formula language: a single-pass recursive-descent reader that computes
// while it reads, one function per precedence level in the manner of
// tinyexpr and Lua's parser. Every level takes the one FormulaContext of the
// evaluation by reference; nothing is allocated and nothing outlives the call.
//
// Errors never stop the reading. A failing piece sets ctx.errorFlag, yields 0
// in its place, and the reading goes on from a well-defined cursor position;
// whether the whole evaluation failed is decided once, in evaluateFormula.
//
// Whitespace is skipped once, right after each token (and at the start), so
// every level finds the cursor on the next significant character: the same
// reading as skipping before each look, without repeating it at each level.
//
// Nesting (parentheses, call arguments, prefixes, '^' exponents and '?'
// branches) is bounded by FORMULA_MAX_DEPTH, as Lua bounds its C stack with
// enterlevel: a construct one level too deep sets the error flag and yields 0
// without recursing, so a text of 100,000 '(' costs 200 levels of stack and
// then unwinds. The frames are small (the only buffer, the 64-byte function
// name, lives in the out-of-line call), so the deepest formula needs well
// under 128 KB of stack in an optimised build, far inside Wine's 1 MB.

#include "engine/formula.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "engine/numtext.h"

// Every build must compute in plain double. The x87 unit (GCC's 32-bit
// default) keeps 80-bit intermediates and gives other results than the 64-bit
// program: round(0.49999999999999994) is 0 there, 26/160*119 is one bit off.
static_assert(FLT_EVAL_METHOD == 0, "32-bit builds need -msse2 -mfpmath=sse");

namespace {

constexpr int NAME_CAPACITY = 64;   // 63 characters and the terminator

// Characters: ASCII only, never the C library's locale-dependent classes.
// Whitespace is tested directly (the test is a compare and a bit test);
// every other question a level asks of a character is one lookup in a
// table of classes and one bit test, which is what the checks made after
// every operand, on its way up through the levels, mostly are.
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

enum CharacterClass : uint16_t {
    NAME_START = 1 << 0,         // A-Z a-z _
    NAME_CHAR = 1 << 1,          // A-Z a-z _ 0-9
    NUMBER_START = 1 << 2,       // 0-9 .
    NUMBER_TAIL = 1 << 3,        // . e E x X: what makes a digit string more than an integer
    PREFIX = 1 << 4,             // - + !
    POWER_OP = 1 << 5,           // ^
    PRODUCT_OP = 1 << 6,         // * / %
    SUM_OP = 1 << 7,             // + -
    COMPARISON_START = 1 << 8,   // < > = !   (= and ! only with a second =)
};

struct CharacterTable {
    uint16_t classes[256];
};

constexpr CharacterTable makeCharacterTable() {
    CharacterTable t{};
    const auto add = [&t](const char* characters, uint16_t cls) {
        for (; *characters != '\0'; ++characters) t.classes[static_cast<unsigned char>(*characters)] |= cls;
    };
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
    add(letters, NAME_START);
    add(letters, NAME_CHAR);
    add("0123456789", NAME_CHAR);
    add("0123456789.", NUMBER_START);
    add(".eExX", NUMBER_TAIL);
    add("-+!", PREFIX);
    add("^", POWER_OP);
    add("*/%", PRODUCT_OP);
    add("+-", SUM_OP);
    add("<>=!", COMPARISON_START);
    return t;
}

constexpr CharacterTable CHARACTER_TABLE = makeCharacterTable();

constexpr uint16_t classesOf(char c) { return CHARACTER_TABLE.classes[static_cast<unsigned char>(c)]; }

static_assert(classesOf('\0') == 0, "the terminator is in no class");
static_assert(classesOf('\x80') == 0 && classesOf('\xFF') == 0, "bytes 128-255 are in no class");
static_assert(classesOf('_') == (NAME_START | NAME_CHAR) && classesOf('7') == (NAME_CHAR | NUMBER_START) &&
                  classesOf('.') == (NUMBER_START | NUMBER_TAIL) && classesOf('!') == (PREFIX | COMPARISON_START) &&
                  classesOf('-') == (PREFIX | SUM_OP),
              "the classes overlap only where the grammar has them overlap");

constexpr bool hasClass(char c, uint16_t classes) { return (classesOf(c) & classes) != 0; }

// The cursor. The levels folded into conditional keep it in a local, `at`,
// that they share by reference: it then stays in a register while a formula
// is read, instead of going through ctx.cursor in memory at every token,
// which made each token wait for the store of the one before it. handOff
// brings ctx.cursor up to date before every out-of-line call (recursion,
// function calls, prefixed operands, exponents, the general number reader)
// and reads it back after it, so each function that takes only ctx finds
// the cursor there.

void skipSpace(const char*& at) {
    while (isSpace(*at)) ++at;
}

// Moves past a token of `length` characters and the whitespace after it.
void advance(const char*& at, size_t length) {
    at += length;
    skipSpace(at);
}

// The same for the out-of-line functions, which hold the cursor in ctx.
void advance(FormulaContext& ctx, size_t length) {
    const char* at = ctx.cursor;
    advance(at, length);
    ctx.cursor = at;
}

// Hands the cursor to an out-of-line function that reads from ctx.cursor
// and takes it back afterwards.
template <typename Read>
[[gnu::always_inline]] inline double handOff(FormulaContext& ctx, const char*& at, Read read) {
    ctx.cursor = at;
    const double value = read(ctx);
    at = ctx.cursor;
    return value;
}

// Both characters must be adjacent; at[1] is only read when at[0] matched,
// so the terminator is never passed.
bool atPair(const char* at, char first, char second) { return at[0] == first && at[1] == second; }

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

// The levels below conditional are folded into it: a plain operand then
// costs no call of its own instead of eight, which is most of the reading
// time of a short formula. Recursion goes only through conditional and the
// small out-of-line helpers for prefixes and exponents.
#define LEVEL_INLINE [[gnu::always_inline]] inline

// Exact comparison of two terminated names (a function name with the table's).
bool sameName(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

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

// Whether `candidate` is exactly the `length` characters of `name`.
LEVEL_INLINE bool isName(const char* candidate, const char* name, int length) {
    if (candidate == nullptr) return false;
    for (int i = 0; i < length; ++i) {
        if (candidate[i] != name[i]) return false;   // also stops at its end
    }
    return candidate[length] == '\0';
}

// Inputs first, then outputs; the first exact match wins.
LEVEL_INLINE bool lookupVariable(const FormulaContext& ctx, const char* name, int length, double* value) {
    const ToolDefinition& tool = *ctx.tool;
    const int inputCount = tool.inputs == nullptr ? 0 : tool.inputCount < MAX_INPUTS ? tool.inputCount : MAX_INPUTS;
    for (int i = 0; i < inputCount; ++i) {
        if (isName(tool.inputs[i].name, name, length)) {
            *value = ctx.inputValues[i];
            return true;
        }
    }
    const int outputCount =
        tool.outputs == nullptr ? 0 : tool.outputCount < MAX_OUTPUTS ? tool.outputCount : MAX_OUTPUTS;
    for (int i = 0; i < outputCount; ++i) {
        if (isName(tool.outputs[i].name, name, length)) {
            *value = ctx.outputValues[i];
            return true;
        }
    }
    return false;
}

// ---- Levels ---------------------------------------------------------------

double conditional(FormulaContext& ctx);

// Up to 15 decimal digits are exact in a double, so a plain integer of that
// length needs no general reader; most numbers in formulas are like that.
constexpr int EXACT_DIGITS = 15;

double generalNumber(FormulaContext& ctx);

// The decimal digits at p, at most one more than EXACT_DIGITS of them:
// returns how many were read (0 to 16) and their value in *digits.
LEVEL_INLINE int leadingDigits(const char* p, uint64_t* digits) {
    uint64_t value = 0;
    int count = 0;
    for (;;) {
        const unsigned digit = static_cast<unsigned char>(p[count]) - unsigned{'0'};
        if (digit > 9 || count > EXACT_DIGITS) break;
        value = value * 10 + digit;
        ++count;
    }
    *digits = value;
    return count;
}

// number := decimal | hexadecimal    (read as strtod reads an unsigned number)
LEVEL_INLINE double number(FormulaContext& ctx, const char*& at) {
    uint64_t digits = 0;
    const int count = leadingDigits(at, &digits);
    const char* p = at + count;
    if (count >= 1 && count <= EXACT_DIGITS && !hasClass(*p, NUMBER_TAIL)) {
        advance(at, static_cast<size_t>(count));
        return static_cast<double>(digits);
    }

    return handOff(ctx, at, generalNumber);
}

// Everything else: fractions, exponents, hexadecimal, long digit strings.
[[gnu::noinline]] double generalNumber(FormulaContext& ctx) {
    double value = 0.0;
    const size_t used = readUnsignedNumber(ctx.cursor, nullptr, &value);
    if (used == 0) {
        // A '.' that starts no number: 0, cursor not moved.
        ctx.errorFlag = 1;
        return 0.0;
    }
    advance(ctx, used);
    return value;
}

// call := name '(' conditional [ ',' conditional ] ')'
// Out of line: its 64-byte name buffer stays out of the frames that recurse.
// Called with ctx.cursor at the '('.
[[gnu::noinline]] double call(FormulaContext& ctx, const char* nameStart, int nameLength) {
    char name[NAME_CAPACITY];
    for (int i = 0; i < nameLength; ++i) name[i] = nameStart[i];
    name[nameLength] = '\0';

    advance(ctx, 1);   // the '('
    if (!enterLevel(ctx)) return 0.0;
    const double a = conditional(ctx);
    double b = 0.0;
    int argumentCount = 1;
    if (*ctx.cursor == ',') {
        advance(ctx, 1);
        b = conditional(ctx);
        argumentCount = 2;
    }
    leaveLevel(ctx);
    // A missing ')' fails the formula; the call is still computed and the
    // cursor stays at the character found in its place.
    if (*ctx.cursor == ')') {
        advance(ctx, 1);
    } else {
        ctx.errorFlag = 1;
    }

    bool domainError = false;
    if (argumentCount == 1) {
        for (const UnaryFunction& f : UNARY_FUNCTIONS) {
            if (sameName(f.name, name)) {
                const double value = f.apply(a, &domainError);
                if (domainError) break;
                return value;
            }
        }
    } else {
        for (const BinaryFunction& f : BINARY_FUNCTIONS) {
            if (sameName(f.name, name)) {
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
LEVEL_INLINE double nameOrCall(FormulaContext& ctx, const char*& at) {
    const char* name = at;
    // The terminator is no name character, so the scan stops at the end of
    // the text at the latest; the cut is made afterwards, which keeps the
    // 63-character bound out of the loop. Characters past the 63rd stay in
    // the text, where no level reads them.
    const char* end = name + 1;   // the first was found to start a name
    while (hasClass(*end, NAME_CHAR)) ++end;
    const int length = end - name < NAME_CAPACITY - 1 ? static_cast<int>(end - name) : NAME_CAPACITY - 1;
    advance(at, static_cast<size_t>(length));
    if (*at == '(') return handOff(ctx, at, [name, length](FormulaContext& c) { return call(c, name, length); });

    double value = 0.0;
    if (!lookupVariable(ctx, name, length, &value)) {
        ctx.errorFlag = 1;   // 0, cursor after the name and its whitespace
        return 0.0;
    }
    return value;
}

// primary := '(' conditional ')' | number | nameOrCall
// (the prefixes '-', '+', '!' are taken by unary before primary is reached)
LEVEL_INLINE double primary(FormulaContext& ctx, const char*& at) {
    const char c = *at;
    // Names and numbers first: they are most operands.
    if (hasClass(c, NAME_START)) return nameOrCall(ctx, at);
    if (hasClass(c, NUMBER_START)) return number(ctx, at);
    if (c == '(') {
        advance(at, 1);
        if (!enterLevel(ctx)) return 0.0;
        const double value = handOff(ctx, at, conditional);
        leaveLevel(ctx);
        if (*at == ')') {
            advance(at, 1);
        } else {
            ctx.errorFlag = 1;   // value kept, cursor left at what stands there
        }
        return value;
    }
    // Nothing can start here (the end of the text included): 0, cursor kept.
    ctx.errorFlag = 1;
    return 0.0;
}

// unary := '-' unary | '+' unary | '!' unary | primary
// The prefixed operand is read out of line (prefixOperand), so that unary
// itself can be folded into power.
double prefixOperand(FormulaContext& ctx);

LEVEL_INLINE double unary(FormulaContext& ctx, const char*& at) {
    const char c = *at;
    if (!hasClass(c, PREFIX)) return primary(ctx, at);
    advance(at, 1);
    const double operand = handOff(ctx, at, prefixOperand);
    if (c == '-') return -operand;
    if (c == '!') return truth(operand == 0.0);
    return operand;
}

[[gnu::noinline]] double prefixOperand(FormulaContext& ctx) {
    if (!enterLevel(ctx)) return 0.0;
    const char* at = ctx.cursor;
    const double operand = unary(ctx, at);
    ctx.cursor = at;
    leaveLevel(ctx);
    return operand;
}

// power := unary [ '^' power ]
// The exponent, again, is read out of line (exponent).
double exponent(FormulaContext& ctx);

LEVEL_INLINE double power(FormulaContext& ctx, const char*& at) {
    const double base = unary(ctx, at);
    if (!hasClass(*at, POWER_OP)) return base;
    advance(at, 1);
    return std::pow(base, handOff(ctx, at, exponent));
}

[[gnu::noinline]] double exponent(FormulaContext& ctx) {
    if (!enterLevel(ctx)) return 0.0;
    const char* at = ctx.cursor;
    const double value = power(ctx, at);
    ctx.cursor = at;
    leaveLevel(ctx);
    return value;
}

// multiplicative := power { ( '*' | '/' | '%' ) power }
// A zero divisor replaces the whole product with 0 and ends it at once.
LEVEL_INLINE double multiplicative(FormulaContext& ctx, const char*& at) {
    double value = power(ctx, at);
    for (;;) {
        const char op = *at;
        if (!hasClass(op, PRODUCT_OP)) return value;
        if (op == '*' && at[1] == '*') return value;   // "**" is no operator
        advance(at, 1);
        const double right = power(ctx, at);
        if (op == '*') {
            value *= right;
        } else if (right == 0.0) {
            ctx.errorFlag = 1;   // the cursor stays after the divisor
            return 0.0;
        } else {
            value = op == '/' ? value / right : std::fmod(value, right);
        }
    }
}

// additive := multiplicative { ( '+' | '-' ) multiplicative }
LEVEL_INLINE double additive(FormulaContext& ctx, const char*& at) {
    double value = 0.0;
    char op = '\0';   // none yet: the first operand is taken as it is (-0 stays -0)
    for (;;) {
        const double right = multiplicative(ctx, at);
        value = op == '+' ? value + right : op == '-' ? value - right : right;
        op = *at;
        if (!hasClass(op, SUM_OP)) return value;
        advance(at, 1);
    }
}

// comparison := additive [ ( '<=' | '>=' | '==' | '!=' | '<' | '>' ) additive ]
// Comparisons do not chain: a second operator is left for the caller, which
// cannot read it, so the formula fails.
LEVEL_INLINE double comparison(FormulaContext& ctx, const char*& at) {
    const double left = additive(ctx, at);
    const char c = *at;
    if (!hasClass(c, COMPARISON_START)) return left;
    enum class Op { None, Le, Ge, Eq, Ne, Lt, Gt };
    Op op = Op::None;
    if (c == '<') op = at[1] == '=' ? Op::Le : Op::Lt;
    else if (c == '>') op = at[1] == '=' ? Op::Ge : Op::Gt;
    else if (atPair(at, '=', '=')) op = Op::Eq;
    else if (atPair(at, '!', '=')) op = Op::Ne;
    if (op == Op::None) return left;
    advance(at, (op == Op::Lt || op == Op::Gt) ? 1 : 2);
    const double right = additive(ctx, at);
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
LEVEL_INLINE double andExpr(FormulaContext& ctx, const char*& at) {
    double value = comparison(ctx, at);
    while (atPair(at, '&', '&')) {
        advance(at, 2);
        const double right = comparison(ctx, at);
        value = truth(value != 0.0 && right != 0.0);
    }
    return value;
}

// orExpr := andExpr { '||' andExpr }    (both sides always read)
LEVEL_INLINE double orExpr(FormulaContext& ctx, const char*& at) {
    double value = andExpr(ctx, at);
    while (atPair(at, '|', '|')) {
        advance(at, 2);
        const double right = andExpr(ctx, at);
        value = truth(value != 0.0 || right != 0.0);
    }
    return value;
}

// The true branch of a link. Graded tables put a plain integer there
// ("crp<10 ? 0 : ..."), which is read here at once; anything else is read as
// the full conditional it is. Both give the same value and cursor.
LEVEL_INLINE double branch(FormulaContext& ctx, const char*& at) {
    uint64_t digits = 0;
    const int count = leadingDigits(at, &digits);
    const char* q = at + count;
    while (isSpace(*q)) ++q;
    if (count >= 1 && count <= EXACT_DIGITS && *q == ':') {
        at = q;
        return static_cast<double>(digits);
    }
    return handOff(ctx, at, conditional);
}

// conditional := orExpr [ '?' conditional ':' conditional ]
// Both branches are always read; a NaN condition chooses the first.
// The false branch of a link is itself a conditional, so a chain
// a ? b : c ? d : e is read link by link in a loop rather than by recursion;
// every link still counts one level of nesting, as the recursion would.
double conditional(FormulaContext& ctx) {
    const char* at = ctx.cursor;
    double chosenValue = 0.0;
    bool chosen = false;     // an earlier link's condition was true
    int links = 0;
    double last = 0.0;       // the value of the final false branch
    for (;;) {
        const double condition = orExpr(ctx, at);
        if (*at != '?') {
            last = condition;
            break;
        }
        advance(at, 1);
        if (!enterLevel(ctx)) break;   // the rest of the chain reads 0
        ++links;
        const double whenTrue = branch(ctx, at);
        if (*at == ':') {
            advance(at, 1);
        } else {
            ctx.errorFlag = 1;   // the false branch is read from here
        }
        if (!chosen && condition != 0.0) {
            chosen = true;
            chosenValue = whenTrue;
        }
    }
    ctx.depth -= links;
    ctx.cursor = at;
    return chosen ? chosenValue : last;
}

}  // namespace

double evaluateFormula(const ToolDefinition& tool, const char* text,
                       const double* inputValues, const double* outputValues,
                       int* failed) {
    if (text == nullptr || text[0] == '\0') {
        *failed = 1;
        return 0.0;
    }
    const char* at = text;
    skipSpace(at);
    FormulaContext ctx{&tool, inputValues, outputValues, at, 0, 0};
    const double value = conditional(ctx);
    const bool leftOver = *ctx.cursor != '\0';
    *failed = (leftOver || ctx.errorFlag != 0 || !std::isfinite(value)) ? 1 : 0;
    return value;
}
