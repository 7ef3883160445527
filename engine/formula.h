// The formula language of tool outputs and verdict rules.
//
// A single-pass recursive-descent reader that computes while it reads: no
// tokens, no tree, no allocation. Errors never stop the reading: they set the
// error flag, put 0 in place of the failing piece, and the reading goes on.
#pragma once

#include "engine/tool.h"

// Formulas nested deeper than this (parentheses, prefixes, '^', conditionals,
// call arguments) fail instead of overflowing the stack.
constexpr int FORMULA_MAX_DEPTH = 200;

struct FormulaContext {
    const ToolDefinition* tool;
    const double* inputValues;
    const double* outputValues;
    const char* cursor;        // next unread character (kept current across the reader's out-of-line calls)
    int errorFlag;             // set to 1 by any failure, never cleared
    int depth;                 // current nesting, bounded by FORMULA_MAX_DEPTH
};

// Evaluates `text` (may be null). Always writes *failed: 0 when the value is
// a valid result, 1 when not; the value computed is returned in both cases.
double evaluateFormula(const ToolDefinition& tool, const char* text,
                       const double* inputValues, const double* outputValues,
                       int* failed);
