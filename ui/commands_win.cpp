// The window's calculate, copy, reset and about commands: they read the
// controls, call the engine and put the outcome on the screen. The texts and
// the reading of the boxes are portable (command_text.cpp).
#include "engine/text.h"
#include "engine/wide_win.h"
#include "records/save_command_win.h"
#include "ui/command_text.h"
#include "ui/controls.h"
#include "ui/main_window_win.h"

namespace {

void invalidateWindow() { InvalidateRect(mainWindow.window, nullptr, FALSE); }

void showDefaultValue(int input) {
    char16_t text[DEFAULT_VALUE_CAPACITY];
    formatDefaultValue(mainWindow.tool->inputs[input].defaultValue, text, DEFAULT_VALUE_CAPACITY);
    SetWindowTextW(inputBox(input), wide(text));
}

}  // namespace

void calculateCommand() {
    const ToolDefinition& tool = *mainWindow.tool;
    const int inputCount = shownInputCount(tool.inputCount);

    // Every box is read and checked before anything is stored: a refused
    // input leaves inputValues as the last calculation left them, so a saved
    // record never pairs a refused value with an older result.
    // A box longer than the buffer arrives cut to INPUT_TEXT_LIMIT + 1
    // units, still one too many, and is refused.
    char16_t texts[MAX_INPUTS][INPUT_TEXT_CAPACITY];
    const char16_t* textOf[MAX_INPUTS];
    for (int i = 0; i < inputCount; ++i) {
        texts[i][0] = 0;
        GetWindowTextW(inputBox(i), wide(texts[i]), INPUT_TEXT_CAPACITY);
        texts[i][INPUT_TEXT_CAPACITY - 1] = 0;
        textOf[i] = texts[i];
    }
    bool belowMinimum = false;
    const int refused = readInputTexts(tool.inputs, textOf, inputCount, mainWindow.inputValues, &belowMinimum);
    if (refused >= 0) {
        char16_t message[REFUSED_MESSAGE_CAPACITY];
        formatInputRefusal(refused, tool.inputs[refused], belowMinimum, message, REFUSED_MESSAGE_CAPACITY);
        MessageBoxW(mainWindow.window, wide(message), wide(REFUSED_INPUT_CAPTION), MB_OK | MB_ICONWARNING);
        SetFocus(inputBox(refused));
        return;
    }

    char16_t resultText[RESULT_TEXT_CAPACITY];
    char16_t verdictText[VERDICT_TEXT_CAPACITY];
    resultText[0] = 0;
    verdictText[0] = 0;
    evaluateTool(tool, mainWindow.inputValues, resultText, RESULT_TEXT_CAPACITY, verdictText,
                 VERDICT_TEXT_CAPACITY, &mainWindow.level, mainWindow.lastResultText, LAST_RESULT_CAPACITY);

    mainWindow.copyText[0] = 0;
    SetWindowTextW(windowAt(slot::RESULT_BOX), wide(resultText));
    SetWindowTextW(windowAt(slot::VERDICT_LABEL), wide(verdictText));
    buildCopyText(tool.kind, resultText, verdictText, mainWindow.copyText, COPY_TEXT_CAPACITY);

    // The label repaints in the colour of the new level.
    InvalidateRect(windowAt(slot::VERDICT_LABEL), nullptr, TRUE);
    invalidateWindow();

    formatCalculatedStatus(tool.name, mainWindow.StatusText, STATUS_TEXT_CAPACITY);
    invalidateWindow();
    SetFocus(mainWindow.window);
}

// Button 1002: the record log writes what the last calculation left behind
// and reports in the window's status line.
void saveFromWindow() {
    saveCommand(SaveRequest{mainWindow.tool, mainWindow.inputValues, mainWindow.lastResultText, mainWindow.window,
                            mainWindow.StatusText, STATUS_TEXT_CAPACITY});
}

void copyCommand() {
    if (mainWindow.lastResultText[0] == 0) {
        MessageBoxW(mainWindow.window, wide(NO_RESULT_MESSAGE), wide(NO_RESULT_CAPTION), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!OpenClipboard(mainWindow.window)) return;   // another program holds it

    const char16_t* name = mainWindow.tool->name;
    const size_t units = textLength(mainWindow.copyText) + textLength(name) + 16;
    EmptyClipboard();
    bool placed = false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, units * sizeof(char16_t));
    if (block != nullptr) {
        auto* text = static_cast<char16_t*>(GlobalLock(block));
        if (text != nullptr) {
            formatClipboardText(name, mainWindow.copyText, text, static_cast<int>(units));
            GlobalUnlock(block);
            placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        }
        // The clipboard owns the block only once SetClipboardData took it.
        if (!placed) GlobalFree(block);
    }
    CloseClipboard();
    if (!placed) return;

    textCopy(mainWindow.StatusText, STATUS_TEXT_CAPACITY, COPIED_STATUS);
    invalidateWindow();
}

void resetCommand() {
    const ToolDefinition& tool = *mainWindow.tool;
    const int inputCount = shownInputCount(tool.inputCount);
    for (int i = 0; i < inputCount; ++i) showDefaultValue(i);
    SetWindowTextW(windowAt(slot::RESULT_BOX), L"");
    SetWindowTextW(windowAt(slot::VERDICT_LABEL), wide(HINT_TEXT));
    SetWindowTextW(windowAt(slot::NOTE_LABEL), wide(noteText(tool)));
    textCopy(mainWindow.StatusText, STATUS_TEXT_CAPACITY, RESET_STATUS);
    mainWindow.lastResultText[0] = 0;
    mainWindow.level = 0;
    invalidateWindow();
}

void aboutCommand() {
    char16_t text[ABOUT_TEXT_CAPACITY];
    formatAboutText(*mainWindow.tool, text, ABOUT_TEXT_CAPACITY);
    MessageBoxW(mainWindow.window, wide(text), wide(ABOUT_CAPTION), MB_OK | MB_ICONINFORMATION);
}
