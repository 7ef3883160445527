// The texts of the CSV record log: folder and file paths, the header line, the
// record line, their UTF-8 form and the messages of the save command. This
// half is portable; the folders, the file and the clock are the Windows half
// (save_command_win.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/tool.h"

// Buffer sizes in UTF-16 units, terminator included.
constexpr int RECORD_FOLDER_CAPACITY = 260;
constexpr int RECORD_PATH_CAPACITY = 520;
constexpr int RECORD_HEADER_CAPACITY = 512;
constexpr int RECORD_LINE_CAPACITY = 4096;
constexpr int RECORD_FIELD_CAPACITY = 128;
constexpr int RECORD_RESULT_FIELD_CAPACITY = 256;   // a comma and 254 units of the result
constexpr int RECORD_FILE_NAME_CAPACITY = 32;
constexpr int RECORD_MESSAGE_CAPACITY = 1024;

// One UTF-16 unit never needs more than three UTF-8 bytes (a surrogate pair
// needs four for its two units), so this holds the byte-order mark and the
// longest record line: a line is always written whole.
constexpr size_t RECORD_BOM_SIZE = 3;
constexpr size_t RECORD_UTF8_CAPACITY = RECORD_BOM_SIZE + 3 * (RECORD_LINE_CAPACITY - 1);
// The bytes of one save: the mark and the longest header, or a line end (far
// shorter), then the longest record.
constexpr size_t RECORD_SAVE_CAPACITY = RECORD_UTF8_CAPACITY + 3 * (RECORD_HEADER_CAPACITY - 1);

extern const unsigned char RECORD_BOM[RECORD_BOM_SIZE];   // EF BB BF

// The local date and time of a save.
struct RecordTime {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// "<appData>\KelvoMedSuite\records". Returns false when the path did not fit
// (the buffer then holds a cut path, which must not be used).
bool buildRecordFolderPath(const char16_t* appDataFolder, char16_t* folder, int capacity);
// "<folder>\T%03d.csv". Returns false when the path did not fit.
bool buildRecordFilePath(const char16_t* folder, int32_t toolId, char16_t* path, int capacity);
// "T%03d.csv" alone, for messages that have no folder to name.
void buildRecordFileName(int32_t toolId, char16_t* name, int capacity);

// The folders along a path are created one level at a time. Returns the index
// of the first backslash at or after `from` that ends a folder level (the
// root "C:\" is never one), or the length of the path when there is none.
size_t nextFolderLevel(const char16_t* path, size_t from);

// "时间,工具" + ",<label>" per input + ",结果" CR LF, bounded and terminated.
void buildHeaderLine(const ToolDefinition& tool, char16_t* line, int capacity);

// The record of one save: "YYYY-MM-DD HH:MM:SS,<name>", ",<label>=<%g>" per
// input from `inputValues`, "," and at most the first 254 units of the last
// result, CR LF. Fields are written as they stand (no quoting), each cut by
// its own buffer; the line stops at its capacity and stays terminated.
void buildRecordLine(const ToolDefinition& tool, const RecordTime& time, const double* inputValues,
                     const char16_t* lastResult, char16_t* line, int capacity);

// The UTF-8 form of a terminated line, without the terminator. Returns the
// byte count, or -1 when it does not fit in `size` bytes (nothing usable is
// written then).
int recordLineToUtf8(const char16_t* line, char* out, size_t size);

// What one save writes before its record, decided from the log as the save
// finds it, once no other save can change it:
enum RecordLead : int {
    LEAD_NOTHING = 0,     // the log ends with a line feed
    LEAD_HEADER = 1,      // an empty (or new) log: the byte-order mark and the header
    LEAD_LINE_END = 2,    // the last line was cut short: CR LF, so the record starts a line
    LEAD_LINE_FEED = 3,   // the log ends with a CR: the LF that completes it
};
RecordLead recordLead(uint64_t logSize, unsigned char lastByte);

// The bytes of one save in one buffer, for one write: the lead (`header` is
// used only for LEAD_HEADER), then the UTF-8 record. Returns the byte count,
// or -1 when they do not fit in `size` bytes.
int buildSaveBytes(RecordLead lead, const char16_t* header, const char16_t* record, char* out, size_t size);

// A failed save cuts the log back to the size it found (`before`), but only
// when the log now holds no more than the bytes this save tried to add: a log
// that grew beyond them holds another writer's bytes, and one that did not
// grow has nothing of this save to remove (and must not be extended).
bool mayCutBack(uint64_t before, uint64_t now, size_t attempted);

// How a save ended, and what the window tells the user about it.
enum SaveOutcome : int {
    SAVE_DONE = 0,          // the record is in the file, flushed to the disk
    SAVE_NO_APP_DATA = 1,   // no local application-data folder: no path to write to
    SAVE_FAILED = 2,        // the folder, the open, the write or the flush failed: the log as it was
    SAVE_OUTCOME_COUNT = 3,
};

struct SaveOutcomeTexts {
    const char16_t* statusFormat;   // one %ls: the file path (or its name)
    const char16_t* messageFormat;  // one %ls: the file path (or its name)
    const char16_t* caption;
    bool warning;                   // warning icon rather than information
};

const SaveOutcomeTexts& saveOutcomeTexts(SaveOutcome outcome);

// The status line and the message box text of an outcome, each bounded by its
// capacity. `file` is the full path, or the file name alone when there is no
// folder to name.
void buildSaveOutcome(SaveOutcome outcome, const char16_t* file, char16_t* status, int statusCapacity,
                      char16_t* message, int messageCapacity);

extern const char16_t SAVE_REFUSED_MESSAGE[];   // no result yet
extern const char16_t SAVE_REFUSED_CAPTION[];
