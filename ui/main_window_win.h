// The one main window's state, shared by its painting, its commands and the
// record log's save command. Touched only by the GUI thread.
#pragma once

#include <windows.h>

#include "engine/tool.h"

// The handle table, one array in this order.
enum HandleSlot : int {
    SLOT_INPUT_BOXES = 0,     // 0..15, slot i for input i
    SLOT_RESULT_BOX = 16,     // multi-line read-only result box (id 3000)
    SLOT_VERDICT_LABEL = 17,
    SLOT_NOTE_LABEL = 18,
    SLOT_BUTTONS = 19,        // 19..23: buttons 1001..1005
    SLOT_FONTS = 24,          // 24..31: the eight fonts in table order
    SLOT_WHITE_BRUSH = 32,
    SLOT_BACKGROUND_BRUSH = 33,
    HANDLE_SLOT_COUNT = 34,
};

constexpr int LAST_RESULT_CAPACITY = 8192;
constexpr int COPY_TEXT_CAPACITY = 1024;
constexpr int STATUS_TEXT_CAPACITY = 256;

struct MainWindow {
    HINSTANCE instance;
    HWND window;
    const ToolDefinition* tool;
    Level level;
    HANDLE handles[HANDLE_SLOT_COUNT];
    char16_t lastResultText[LAST_RESULT_CAPACITY];
    char16_t copyText[COPY_TEXT_CAPACITY];
    char16_t StatusText[STATUS_TEXT_CAPACITY];
    double inputValues[MAX_INPUTS];
};

// The process-wide state record (static lifetime).
extern MainWindow mainWindow;

inline HWND inputBox(int i) { return static_cast<HWND>(mainWindow.handles[SLOT_INPUT_BOXES + i]); }
inline HWND windowAt(int slot) { return static_cast<HWND>(mainWindow.handles[slot]); }

int runMainWindow(HINSTANCE instance, const ToolDefinition& tool);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Commands of the window (button ids 1001..1005).
void calculateCommand();
void saveCommand();
void copyCommand();
void resetCommand();
void aboutCommand();
