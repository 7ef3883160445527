// The verification run (--verify): known cases through the window's own
// functions, each compared with a result written out by hand, and a report
// for the PC's qualification record. This half is portable: the case table,
// the comparison and the report text. Reading the machine (the exe's hash
// and signature, the names, the clock, the record log) and writing the file
// are the Windows half (verify_win.cpp).
#pragma once

#include <cstdint>

#include "engine/tool.h"

constexpr int VERIFY_PATH_CAPACITY = 520;   // 519 units and the terminator
// The whole report; its UTF-8 form fits the self-test's file buffer.
constexpr int VERIFY_REPORT_CAPACITY = 16384;

// Exit codes of the verification run.
constexpr int VERIFY_PASSED = 0;
constexpr int VERIFY_WRITE_FAILED = 3;   // no report; takes precedence over 4
constexpr int VERIFY_FAILED = 4;         // report written, a case or the control failed

// Looks for the first "--verify" by the self-test's rules (case-sensitive,
// anywhere; spaces skipped; quoted or up to the next space; "verify.txt"
// when nothing follows). Returns false when the keyword is absent.
// *tooLong is set when the path runs past 519 units: such a path is not
// written to at all, since a cut one names another file.
bool findVerifyPath(const char16_t* commandLine, char16_t* path, int pathCapacity, bool* tooLong);

// What a case checks. The box cases go through the calculate command's
// reading and evaluateTool; the others through the function named.
enum VerifyKind : int {
    CHECK_GRADE_LINE = 0,   // box text -> first line of the result text
    CHECK_VERDICT,          // box text -> verdict text
    CHECK_LEVEL,            // box text -> level
    CHECK_COLOUR,           // box text -> the verdict's painted colour, #RRGGBB
    CHECK_LEVEL_COLOUR,     // level (input) -> its colour
    CHECK_READ,             // box text -> the value read (%.17g)
    CHECK_REFUSED,          // box text -> the message the window shows
    CHECK_RESULT_TEXT,      // box text -> the whole result text
    CHECK_COPY_TEXT,        // box text -> the copy text
    CHECK_CLIPBOARD,        // box text -> the clipboard text
    CHECK_RECORD_LINE,      // box text -> the CSV record line at VERIFY_RECORD_TIME
    CHECK_SELFTEST,         // the self-test report of the default input
    CHECK_FORMULA,          // formula (input) -> formatValue(format) of its value, or 失败
    CHECK_FORMAT,           // number -> formatValue(format)
    CHECK_WINDOW_TEXT,      // the reference, note or header line (format: "reference", "note", "header")
};

// One row of the table. The texts are UTF-32, a form the program uses
// nowhere else: no expected text can share storage with the UTF-16 texts of
// the tool definition, so a damaged definition cannot damage its own
// expectation too.
struct VerifyCase {
    VerifyKind kind;
    const char32_t* what;       // what it checks, for the reader of the report
    const char32_t* input;      // box text, formula, level or shown input
    const char* format;         // format code (CHECK_FORMULA, CHECK_FORMAT) or window text name
    double number;              // CHECK_FORMAT: the value formatted
    const char32_t* expected;   // null: no expectation, never a pass
};

// The built-in table, and the control: one row whose expectation is wrong
// on purpose and must be found to differ.
const VerifyCase* verifyCases(int* count);
const VerifyCase& verifyControl();

// The local time of the record-line case: fixed, so the line is known.
struct VerifyRecordTime {
    int year, month, day, hour, minute, second;
};
extern const VerifyRecordTime VERIFY_RECORD_TIME;

// Runs one case: the actual text (bounded, terminated) and whether it equals
// the expectation.
bool runVerifyCase(const ToolDefinition& tool, const VerifyCase& verifyCase, char16_t* actual, int capacity);

// ---------------------------------------------------------------------------
// What the Windows half finds out about the PC. Every text is cut to its
// field and marked as cut in the report.
constexpr int VERIFY_FIELD_CAPACITY = 520;
constexpr int VERIFY_NAME_CAPACITY = 128;

struct VerifyText {
    char16_t text[VERIFY_FIELD_CAPACITY];
    bool cut;
};
struct VerifyName {
    char16_t text[VERIFY_NAME_CAPACITY];
    bool cut;
};
// Copies a text into a field and marks it cut when it did not fit.
void setVerifyText(VerifyText& field, const char16_t* source);
void setVerifyName(VerifyName& field, const char16_t* source);

enum SignatureState : int {
    SIGNATURE_VALID = 0,     // signer named
    SIGNATURE_NONE,          // the file carries no signature
    SIGNATURE_INVALID,       // signed, but invalid or untrusted: code
    SIGNATURE_UNCHECKED,     // System32's WinTrust could not be loaded: not judged
};

enum LogState : int {
    LOG_APPENDABLE = 0,      // exists and opens for appending
    LOG_ABSENT,              // no log yet (no save on this account)
    LOG_LOCKED,              // exists but does not open for appending
    LOG_NO_FOLDER,           // no local application-data folder
};

struct VerifyMachine {
    VerifyText programPath;
    bool hashed;                 // sha256 and size hold the file's
    unsigned char sha256[32];
    uint64_t size;
    SignatureState signature;
    VerifyName signer;
    uint32_t signatureCode;      // WinVerifyTrust's answer, for SIGNATURE_INVALID
    VerifyName computer;
    VerifyName user;
    bool windowsKnown;
    uint32_t windowsMajor, windowsMinor, windowsBuild;
    int year, month, day, hour, minute, second;
    int utcOffsetMinutes;        // local time minus UTC
    LogState log;
    VerifyText logPath;
};

struct VerifyOutcome {
    int passed;
    int total;
    bool controlCaught;   // the planted wrong expectation was found to differ
    bool complete;        // the whole report fitted its buffer
};

// The report (UTF-16, starting with the byte-order mark U+FEFF, CR LF line
// ends), bounded and terminated. The cases are run here.
VerifyOutcome buildVerifyReport(const ToolDefinition& tool, const VerifyCase* cases, int caseCount,
                                const VerifyCase& control, const VerifyMachine& machine, char16_t* report,
                                int reportCapacity);

int verifyExitCode(const VerifyOutcome& outcome, bool written);

// Windows half: finds out the machine, builds and writes the report (all or
// nothing) and returns the exit code. A too long path gives 3 and no file.
int runVerify(const char16_t* path, bool tooLong);
