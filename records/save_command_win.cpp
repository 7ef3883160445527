// The save command (button 1002): appends the last result to the tool's CSV
// record log in the user's local application-data folder.
//
// The file is only ever appended to. It is opened with FILE_APPEND_DATA alone,
// so every write lands at the end whatever else has the file open, and with
// reading and writing shared, so a viewer (Excel, Notepad) may keep it open.
// Each line goes out in one write, and every handle is closed before the
// command ends. The user is told the truth: "已保存" only when the record is
// in the file, a warning naming the file otherwise.
#include <shlobj.h>

#include "engine/text.h"
#include "engine/wide_win.h"
#include "records/record_text.h"
#include "ui/main_window_win.h"

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

// Whether the log file is there already, decided from its attributes: a file
// that exists but cannot be read still has its header, and must not get a
// second byte-order mark and header after its records. When the answer is
// unclear (access denied on the folder, say) it counts as existing, for the
// same reason.
bool fileExists(const char16_t* path) {
    if (GetFileAttributesW(wide(path)) != INVALID_FILE_ATTRIBUTES) return true;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// Opens for appending. `create` asks for a new file only: if another process
// made it in the meantime, it has its header and the open fails with
// ERROR_FILE_EXISTS.
HANDLE openForAppend(const char16_t* path, bool create) {
    return CreateFileW(wide(path), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       create ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One write of all `size` bytes, then the close; true only when both worked.
bool writeAndClose(HANDLE file, const char* bytes, size_t size) {
    DWORD written = 0;
    bool ok = WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) != 0 && written == size;
    if (CloseHandle(file) == 0) ok = false;
    return ok;
}

// The big buffers live outside the stack frame of a window-procedure call.
char utf8Buffer[RECORD_UTF8_CAPACITY];
char16_t recordLine[RECORD_LINE_CAPACITY];
char16_t headerLine[RECORD_HEADER_CAPACITY];

// A new file: the byte-order mark and the header, in their own
// open-write-close. Returns false when they could not be written; a file this
// step created and could not fill is removed again, so that the next save
// starts it afresh rather than appending to a file without its header.
bool writeHeader(const ToolDefinition& tool, const char16_t* path) {
    buildHeaderLine(tool, headerLine, RECORD_HEADER_CAPACITY);
    for (size_t i = 0; i < RECORD_BOM_SIZE; ++i) utf8Buffer[i] = static_cast<char>(RECORD_BOM[i]);
    int size = recordLineToUtf8(headerLine, utf8Buffer + RECORD_BOM_SIZE, RECORD_UTF8_CAPACITY - RECORD_BOM_SIZE);
    if (size < 0) return false;
    HANDLE file = openForAppend(path, true);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
    if (writeAndClose(file, utf8Buffer, RECORD_BOM_SIZE + static_cast<size_t>(size))) return true;
    DeleteFileW(wide(path));
    return false;
}

bool writeRecord(const char16_t* path) {
    int size = recordLineToUtf8(recordLine, utf8Buffer, RECORD_UTF8_CAPACITY);
    if (size < 0) return false;
    HANDLE file = openForAppend(path, false);
    if (file == INVALID_HANDLE_VALUE) return false;
    return writeAndClose(file, utf8Buffer, static_cast<size_t>(size));
}

// Steps 2 to 9 of a save: the folder, the file, the header and the record.
// `file` receives the path to name to the user (the file name alone when
// there is no folder).
SaveOutcome appendRecord(const ToolDefinition& tool, char16_t* file, int fileCapacity) {
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

    bool existed = fileExists(path);
    buildRecordLine(tool, time, mainWindow.inputValues, mainWindow.lastResultText, recordLine,
                    RECORD_LINE_CAPACITY);
    if (!existed && !writeHeader(tool, path)) return SAVE_FAILED;
    return writeRecord(path) ? SAVE_DONE : SAVE_FAILED;
}

}  // namespace

void saveCommand() {
    if (mainWindow.lastResultText[0] == 0) {
        MessageBoxW(mainWindow.window, wide(SAVE_REFUSED_MESSAGE), wide(SAVE_REFUSED_CAPTION),
                    MB_OK | MB_ICONINFORMATION);
        return;
    }

    char16_t file[RECORD_PATH_CAPACITY];
    SaveOutcome outcome = appendRecord(*mainWindow.tool, file, RECORD_PATH_CAPACITY);

    char16_t message[RECORD_MESSAGE_CAPACITY];
    buildSaveOutcome(outcome, file, mainWindow.StatusText, STATUS_TEXT_CAPACITY, message, RECORD_MESSAGE_CAPACITY);
    InvalidateRect(mainWindow.window, nullptr, FALSE);

    const SaveOutcomeTexts& texts = saveOutcomeTexts(outcome);
    MessageBoxW(mainWindow.window, wide(message), wide(texts.caption),
                MB_OK | (texts.warning ? MB_ICONWARNING : MB_ICONINFORMATION));
}
