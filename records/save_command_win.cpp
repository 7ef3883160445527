// The save command (button 1002): appends the last result to the tool's CSV
// record log in the user's local application-data folder.
//
// The file is only ever appended to, and reading and writing stay shared, so
// a viewer (Excel, Notepad) may keep it open. A save holds a lock while it
// works, so saves from two windows take turns; it reads the size and the
// last byte, writes the header (a new log) or a line end (a log cut short)
// and its record in one write at the end, and flushes the file. Any failure
// cuts the log back to the size it found. The user is told the truth:
// "已保存" only when the record is on the disk, a warning naming the file
// otherwise.
#include <shlobj.h>

#include "engine/text.h"
#include "engine/wide_win.h"
#include "records/record_text.h"
#include "records/save_command_win.h"

namespace {

// Creates the folders along `folder` one level at a time and reports whether
// the whole path is a folder afterwards. A level that exists already, or that
// cannot be created (the root of a share, a folder without rights to list),
// does not stop the walk: only the final answer counts.
bool makeFolders(const char16_t* folder) {
    char16_t level[RECORD_FOLDER_CAPACITY];
    textCopy(level, RECORD_FOLDER_CAPACITY, folder);
    for (size_t cut = nextFolderLevel(level, 0); level[cut] != 0; cut = nextFolderLevel(level, cut + 1)) {
        level[cut] = 0;
        CreateDirectoryW(wide(level), nullptr);
        level[cut] = u'\\';
    }
    CreateDirectoryW(wide(level), nullptr);
    DWORD attributes = GetFileAttributesW(wide(folder));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The log's access: reading for its size and last byte, appending for the
// record, and writing, which cutting a failed save back (SetEndOfFile) needs.
// Opening also creates a missing log; `created` says whether this open did.
HANDLE openLog(const char16_t* path, bool* created) {
    HANDLE file = CreateFileW(wide(path), GENERIC_READ | FILE_WRITE_DATA | FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    *created = file != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
    return file;
}

bool logSize(HANDLE file, uint64_t* size) {
    LARGE_INTEGER value;
    if (GetFileSizeEx(file, &value) == 0 || value.QuadPart < 0) return false;
    *size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

// Saves take turns through an exclusive lock on one byte far beyond the end
// of any real log: every save locks the same byte, and no reader or writer
// of the log's own bytes ever meets the lock. A save waits at most
// LOCK_WAIT_MS for another, so a window never hangs on a stuck one. Where the
// file system has no byte-range locks at all, the save goes on without: its
// one write at the end still keeps records whole.
constexpr uint64_t LOCK_OFFSET = 0x4000000000000000ull;
constexpr DWORD LOCK_WAIT_MS = 5000;
constexpr DWORD LOCK_RETRY_MS = 20;

// Returns false only when another save holds the lock for too long;
// `locked` says whether this save holds it.
bool lockLog(HANDLE file, bool* locked) {
    *locked = false;
    for (DWORD waited = 0;; waited += LOCK_RETRY_MS) {
        OVERLAPPED position = at(LOCK_OFFSET);
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &position) != 0) {
            *locked = true;
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) return true;
        if (waited >= LOCK_WAIT_MS) return false;
        Sleep(LOCK_RETRY_MS);
    }
}

void unlockLog(HANDLE file, bool locked) {
    if (!locked) return;
    OVERLAPPED position = at(LOCK_OFFSET);
    UnlockFileEx(file, 0, 1, 0, &position);
}

bool readByte(HANDLE file, uint64_t offset, unsigned char* byte) {
    OVERLAPPED position = at(offset);
    DWORD read = 0;
    return ReadFile(file, byte, 1, &read, &position) != 0 && read == 1;
}

// One write of all `size` bytes at the end of the file, whatever its size is
// by then (both offset halves all ones), then the flush: true only when the
// bytes are on the disk.
bool appendAndFlush(HANDLE file, const char* bytes, size_t size) {
    OVERLAPPED end = at(~0ull);
    DWORD written = 0;
    return WriteFile(file, bytes, static_cast<DWORD>(size), &written, &end) != 0 && written == size &&
           FlushFileBuffers(file) != 0;
}

void cutBack(HANDLE file, uint64_t before, size_t attempted) {
    uint64_t now = 0;
    if (!logSize(file, &now) || !mayCutBack(before, now, attempted)) return;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(before);
    if (SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != 0) SetEndOfFile(file);
}

// A log this save created and could not fill is removed again, so no empty
// file is left behind. Only when no one else has it open (the open asks for
// it alone) and it is still empty: another window may have saved into it
// since this one let go.
void removeIfEmpty(const char16_t* path) {
    HANDLE file = CreateFileW(wide(path), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    uint64_t size = 0;
    if (logSize(file, &size) && size == 0) {
        FILE_DISPOSITION_INFO remove{TRUE};
        SetFileInformationByHandle(file, FileDispositionInfo, &remove, sizeof remove);
    }
    CloseHandle(file);
}

// The big buffers live outside the stack frame of a window-procedure call.
char saveBytes[RECORD_SAVE_CAPACITY];
char16_t recordLine[RECORD_LINE_CAPACITY];
char16_t headerLine[RECORD_HEADER_CAPACITY];

// The record (already in recordLine), and the header or line end it needs,
// appended to the log. On any failure the log keeps the bytes it had.
bool writeRecord(const ToolDefinition& tool, const char16_t* path) {
    bool created = false;
    HANDLE file = openLog(path, &created);
    if (file == INVALID_HANDLE_VALUE) return false;

    bool locked = false;
    uint64_t before = 0;
    unsigned char last = 0;
    bool ready = lockLog(file, &locked) && logSize(file, &before) && (before == 0 || readByte(file, before - 1, &last));
    int size = -1;
    if (ready) {
        RecordLead lead = recordLead(before, last);
        if (lead == LEAD_HEADER) buildHeaderLine(tool, headerLine, RECORD_HEADER_CAPACITY);
        size = buildSaveBytes(lead, headerLine, recordLine, saveBytes, RECORD_SAVE_CAPACITY);
    }
    bool saved = size >= 0 && appendAndFlush(file, saveBytes, static_cast<size_t>(size));
    if (size >= 0 && !saved) cutBack(file, before, static_cast<size_t>(size));
    unlockLog(file, locked);
    CloseHandle(file);
    if (!saved && created) removeIfEmpty(path);
    return saved;
}

// Steps 2 to 9 of a save: the folder, the file, the header and the record.
// `file` receives the path to name to the user (the file name alone when
// there is no folder).
SaveOutcome appendRecord(const SaveRequest& request, char16_t* file, int fileCapacity) {
    const ToolDefinition& tool = *request.tool;
    buildRecordFileName(tool.id, file, fileCapacity);

    wchar_t appData[MAX_PATH];
    appData[0] = 0;
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData) != S_OK ||
        appData[0] == 0) {
        return SAVE_NO_APP_DATA;
    }
    appData[MAX_PATH - 1] = 0;

    char16_t folder[RECORD_FOLDER_CAPACITY];
    if (!buildRecordFolderPath(reinterpret_cast<const char16_t*>(appData), folder, RECORD_FOLDER_CAPACITY)) {
        return SAVE_NO_APP_DATA;
    }
    char16_t path[RECORD_PATH_CAPACITY];
    bool pathWhole = buildRecordFilePath(folder, tool.id, path, RECORD_PATH_CAPACITY);
    if (!pathWhole) return SAVE_FAILED;
    textCopy(file, fileCapacity, path);

    if (!makeFolders(folder)) return SAVE_FAILED;

    SYSTEMTIME now;
    GetLocalTime(&now);
    RecordTime time{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};

    buildRecordLine(tool, time, request.inputValues, request.lastResultText, recordLine, RECORD_LINE_CAPACITY);
    return writeRecord(tool, path) ? SAVE_DONE : SAVE_FAILED;
}

}  // namespace

void saveCommand(const SaveRequest& request) {
    if (request.lastResultText[0] == 0) {
        MessageBoxW(request.owner, wide(SAVE_REFUSED_MESSAGE), wide(SAVE_REFUSED_CAPTION), MB_OK | MB_ICONINFORMATION);
        return;
    }

    char16_t file[RECORD_PATH_CAPACITY];
    SaveOutcome outcome = appendRecord(request, file, RECORD_PATH_CAPACITY);

    char16_t message[RECORD_MESSAGE_CAPACITY];
    buildSaveOutcome(outcome, file, request.status, request.statusCapacity, message, RECORD_MESSAGE_CAPACITY);
    InvalidateRect(request.owner, nullptr, FALSE);

    const SaveOutcomeTexts& texts = saveOutcomeTexts(outcome);
    MessageBoxW(request.owner, wide(message), wide(texts.caption),
                MB_OK | (texts.warning ? MB_ICONWARNING : MB_ICONINFORMATION));
}
