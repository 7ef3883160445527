// The self-test: evaluates a tool on its default inputs without a window and
// writes a pipe-separated report. This half is portable; writing the file is
// the Windows half (selftest_win.cpp).
#pragma once

#include "engine/tool.h"

constexpr int SELFTEST_PATH_CAPACITY = 520;     // 519 units and the terminator
constexpr int SELFTEST_REPORT_CAPACITY = 16384;
constexpr int SELFTEST_DETAIL_LIMIT = 8000;

// Exit codes of the self-test.
constexpr int SELFTEST_OK = 0;
constexpr int SELFTEST_FORMULA_FAILED = 2;
constexpr int SELFTEST_WRITE_FAILED = 3;       // takes precedence over 2

// Looks for the first "--selftest" (case-sensitive, anywhere in the full
// command line) and takes the report path after it. Returns false when the
// keyword is absent. The path is "selftest.txt" when none follows.
bool findSelfTestPath(const char16_t* commandLine, char16_t* path, int pathCapacity);

// The same rules for any keyword: the path after its first occurrence, or
// `defaultPath`. *tooLong (may be null) tells whether the path ran past 519
// units before it was cut to them.
bool findPathAfterKeyword(const char16_t* commandLine, const char16_t* keyword, const char16_t* defaultPath,
                          char16_t* path, int pathCapacity, bool* tooLong);

// Builds the report of `tool` on its default input values into `report`
// (bounded, always terminated). Returns the number of outputs whose formula
// failed in the self-test's own evaluation (0 for a report tool).
int buildSelfTestReport(const ToolDefinition& tool, char16_t* report, int reportCapacity);

// The exit code for an error count and the outcome of writing the file.
int selfTestExitCode(int errorCount, bool written);

// Windows half: writes the text as UTF-8, no byte-order mark. Returns true
// when every byte was written.
bool writeUtf8File(const char16_t* path, const char16_t* text);
// Windows half: builds, writes, returns the exit code.
int runSelfTest(const char16_t* path);
