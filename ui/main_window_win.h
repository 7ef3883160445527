// The one main window's state, shared by its painting and its commands (the
// save command gets what it reads handed in). Touched only by the GUI thread.
#pragma once

#include <windows.h>

#include "engine/tool.h"
#include "ui/controls.h"

constexpr int LAST_RESULT_CAPACITY = 8192;
constexpr int COPY_TEXT_CAPACITY = 1024;
constexpr int STATUS_TEXT_CAPACITY = 256;

struct MainWindow {
    HINSTANCE instance;
    HWND window;
    const ToolDefinition* tool;
    Level level;
    HANDLE handles[slot::COUNT];   // controls, fonts and brushes by slot (controls.h)
    char16_t lastResultText[LAST_RESULT_CAPACITY];
    char16_t copyText[COPY_TEXT_CAPACITY];
    char16_t StatusText[STATUS_TEXT_CAPACITY];
    double inputValues[MAX_INPUTS];
};

// The process-wide state record (static lifetime).
extern MainWindow mainWindow;

inline HWND inputBox(int i) { return static_cast<HWND>(mainWindow.handles[slot::INPUT_BOXES + i]); }
inline HWND windowAt(int slot) { return static_cast<HWND>(mainWindow.handles[slot]); }
inline HFONT fontOf(int role) { return static_cast<HFONT>(mainWindow.handles[slot::FONTS + role]); }

int runMainWindow(HINSTANCE instance, const ToolDefinition& tool);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Commands of the window (button ids 1001..1005).
void calculateCommand();
void saveFromWindow();   // hands the window's state to the record log's saveCommand
void copyCommand();
void resetCommand();
void aboutCommand();
