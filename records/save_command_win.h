// The save command (button 1002): appends the last result to the tool's CSV
// record log. The window hands in what a save reads and where it reports, so
// the record log knows nothing of the window that owns the button.
#pragma once

#include <windows.h>

#include "engine/tool.h"

struct SaveRequest {
    const ToolDefinition* tool;
    const double* inputValues;        // as the last calculation left them, one per input
    const char16_t* lastResultText;   // empty: nothing calculated yet, nothing to save
    HWND owner;                       // owns the message boxes; repainted after `status` changes
    char16_t* status;                 // the window's status line, overwritten with the outcome
    int statusCapacity;               // UTF-16 units, terminator included
};

void saveCommand(const SaveRequest& request);
