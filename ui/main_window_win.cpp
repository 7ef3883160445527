// The main window: its state, class, creation, controls, window procedure
// and message loop. Painting lives in paint_win.cpp, the commands in
// commands_win.cpp; every place and size comes from the tables in
// controls.h and window_frame.h.
#include "ui/main_window_win.h"

#include "engine/text.h"
#include "engine/wide_win.h"
#include "ui/command_text.h"
#include "ui/controls.h"
#include "ui/paint_win.h"
#include "ui/theme.h"
#include "ui/window_frame.h"

MainWindow mainWindow;

namespace {

const wchar_t WINDOW_CLASS[] = L"KelvoMedToolWnd";
constexpr WORD ICON_RESOURCE = 1;

// Movable and minimisable, never resized.
constexpr DWORD MAIN_WINDOW_STYLE = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The state record keeps a value for every input the window shows.
static_assert(MAX_SHOWN_INPUTS == MAX_INPUTS);

struct WindowStyles {
    DWORD exStyle;
    DWORD style;
};
// The window styles of each kind of control; none is a tab stop.
WindowStyles stylesOf(ControlStyle style) {
    constexpr DWORD CHILD = WS_CHILD | WS_VISIBLE;
    switch (style) {
    case ControlStyle::Label: return {0, CHILD};
    case ControlStyle::RightLabel: return {0, CHILD | SS_RIGHT};
    case ControlStyle::InputBox: return {WS_EX_CLIENTEDGE, CHILD | ES_AUTOHSCROLL};
    case ControlStyle::ResultBox:
        return {WS_EX_CLIENTEDGE, CHILD | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY};
    case ControlStyle::OwnerDrawnButton: return {0, CHILD | BS_OWNERDRAW};
    }
    return {0, CHILD};
}

const wchar_t* classNameOf(ControlClass controlClass) {
    switch (controlClass) {
    case ControlClass::Static: return L"STATIC";
    case ControlClass::Edit: return L"EDIT";
    case ControlClass::Button: return L"BUTTON";
    }
    return L"STATIC";
}

// Creates one control of a table row, shifted down by yOffset and with its
// id (and slot) advanced by index; sends its font when the table names one.
HWND createControl(const ControlSpec& spec, int yOffset, int index, const char16_t* text) {
    const int id = spec.id == 0 ? 0 : spec.id + index;
    const WindowStyles styles = stylesOf(spec.style);
    HWND control = CreateWindowExW(styles.exStyle, classNameOf(spec.controlClass), wide(text), styles.style,
                                   spec.x, spec.y + yOffset, spec.width, spec.height, mainWindow.window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), mainWindow.instance, nullptr);
    if (spec.slot != NO_SLOT) mainWindow.handles[spec.slot + index] = control;
    if (spec.font != FONT_NONE) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(spec.font)), TRUE);
    }
    return control;
}

void createInputRow(const InputField& input, int row) {
    const int y = inputRowY(row);
    createControl(INPUT_ROW_CONTROLS[ROW_LABEL], y, row, input.label);
    HWND box = createControl(INPUT_ROW_CONTROLS[ROW_BOX], y, row, u"");
    char16_t defaultText[DEFAULT_VALUE_CAPACITY];
    formatDefaultValue(input.defaultValue, defaultText, DEFAULT_VALUE_CAPACITY);
    SetWindowTextW(box, wide(defaultText));
    if (input.unit != nullptr && input.unit[0] != 0) {
        createControl(INPUT_ROW_CONTROLS[ROW_UNIT], y, row, input.unit);
    }
}

const char16_t* rightColumnText(const ControlSpec& spec, char16_t* scratch, int capacity) {
    const ToolDefinition& tool = *mainWindow.tool;
    switch (spec.text) {
    case ControlText::Hint: return HINT_TEXT;
    case ControlText::Note: return noteText(tool);
    case ControlText::Reference:
        formatReferenceText(tool.reference, scratch, capacity);
        return scratch;
    default: return u"";
    }
}

// WM_CREATE: every control in table order, then the first status line.
void onCreate(HWND window) {
    mainWindow.window = window;
    const ToolDefinition& tool = *mainWindow.tool;
    const int inputCount = shownInputCount(tool.inputCount);
    for (int i = 0; i < inputCount; ++i) createInputRow(tool.inputs[i], i);

    char16_t reference[REFERENCE_TEXT_CAPACITY];
    for (const ControlSpec& spec : RIGHT_COLUMN_CONTROLS) {
        createControl(spec, 0, 0, rightColumnText(spec, reference, REFERENCE_TEXT_CAPACITY));
    }
    for (const ControlSpec& spec : BUTTON_CONTROLS) createControl(spec, 0, 0, spec.caption);

    textCopy(mainWindow.StatusText, STATUS_TEXT_CAPACITY, READY_STATUS);
}

// The window is never resized: one size is both the least and the most.
void onGetMinMaxInfo(MINMAXINFO* info) {
    info->ptMinTrackSize.x = TRACK_WIDTH;
    info->ptMinTrackSize.y = TRACK_HEIGHT;
    info->ptMaxTrackSize.x = TRACK_WIDTH;
    info->ptMaxTrackSize.y = TRACK_HEIGHT;
}

struct CommandEntry {
    int id;
    void (*run)();
};
const CommandEntry COMMANDS[] = {
    {ID_CALCULATE, calculateCommand},
    {ID_SAVE, saveFromWindow},
    {ID_COPY, copyCommand},
    {ID_RESET, resetCommand},
    {ID_ABOUT, aboutCommand},
};
static_assert(sizeof(COMMANDS) / sizeof(COMMANDS[0]) == BUTTON_COUNT);

// WM_COMMAND by the control id alone; the notification code is not looked at.
LRESULT onCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    for (const CommandEntry& command : COMMANDS) {
        if (command.id == id) {
            command.run();
            return 0;
        }
    }
    return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
}

void createFontsAndBrushes() {
    for (int role = 0; role < FONT_COUNT; ++role) {
        const FontSpec& spec = FONT_TABLE[role];
        mainWindow.handles[slot::FONTS + role] =
            CreateFontW(-spec.height, 0, 0, 0, spec.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                        wide(spec.face));
    }
    mainWindow.handles[slot::WHITE] = CreateSolidBrush(toColorRef(colour::WHITE));
    mainWindow.handles[slot::BACKGROUND] = CreateSolidBrush(toColorRef(colour::WINDOW_BACKGROUND));
}

void registerWindowClass() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = 0;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = mainWindow.instance;
    windowClass.hIcon = LoadIconW(mainWindow.instance, MAKEINTRESOURCEW(ICON_RESOURCE));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(mainWindow.handles[slot::BACKGROUND]);
    windowClass.lpszClassName = WINDOW_CLASS;
    RegisterClassExW(&windowClass);
}

// Enter and F5 pressed in any control run the calculation instead of reaching
// the control; the same keys sent to the main window itself do nothing.
bool isCalculateShortcut(const MSG& message) {
    return message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_F5) &&
           IsChild(mainWindow.window, message.hwnd);
}

void runMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (isCalculateShortcut(message)) {
            calculateCommand();
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int runMainWindow(HINSTANCE instance, const ToolDefinition& tool) {
    mainWindow.instance = instance;
    mainWindow.tool = &tool;
    mainWindow.level = 0;
    mainWindow.lastResultText[0] = 0;

    createFontsAndBrushes();
    registerWindowClass();

    RECT frame = {0, 0, CLIENT_WIDTH, CLIENT_HEIGHT};
    AdjustWindowRect(&frame, MAIN_WINDOW_STYLE, FALSE);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const WindowPlace place =
        centreOnScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);

    HWND window = CreateWindowExW(0, WINDOW_CLASS, wide(tool.name), MAIN_WINDOW_STYLE, place.x, place.y, width,
                                  height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;

    mainWindow.window = window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (shownInputCount(tool.inputCount) > 0) SetFocus(inputBox(0));

    runMessageLoop();
    return 0;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        paintMainWindow(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;   // WM_PAINT covers the whole client area
    case WM_GETMINMAXINFO:
        onGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_DRAWITEM:
        drawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        return onCommand(window, wParam, lParam);
    case WM_CTLCOLOREDIT:
        return reinterpret_cast<LRESULT>(editColours(reinterpret_cast<HDC>(wParam)));
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(staticColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
