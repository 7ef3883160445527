// Test helper run beside Ostrivel.exe under the same wineserver: it sees the
// program's windows as Win32 does and reports them as one line of JSON
// (ASCII only; other characters as \u escapes) on standard output.
//
//   window_probe info                     the main window, its children, the focus, open message boxes
//   window_probe wait-window MS           waits until the main window is visible, then as info
//   window_probe wait-dialog MS           waits until a message box is open, then as info
//   window_probe wait-no-dialog MS        waits until no message box is open, then as info
//   window_probe wait-text CTL HEX MS     waits until a control holds the text, then as info
//                                         (CTL: control id, "h" and a handle, or 0 for the window)
//   window_probe close-dialogs            presses OK in every open message box of the program
//   window_probe close                    posts WM_CLOSE to the main window
//   window_probe settext CTL HEX          sets a control's text (WM_SETTEXT)
//   window_probe settext-repeat CTL HEX N  sets a control's text to N copies of a text
//   window_probe glyphs FACE HEIGHT WEIGHT HEX   missing glyphs of a text in a font
//   window_probe exe-icon PATH            the sizes and depths of an exe's icon group 1
//
// HEX is UTF-16LE as hexadecimal digits, so any text survives the command line.
// Exit code 0, or 1 when the window (or what was waited for) was not found.
// GCC 12 reports a false -Wrestrict inside std::string concatenation at -O3.
#pragma GCC diagnostic ignored "-Wrestrict"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t MAIN_CLASS[] = L"KelvoMedToolWnd";

std::string json(const std::wstring& text) {
    std::string out = "\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c) & 0xFFFFu);
            out += escape;
        }
    }
    return out + "\"";
}

std::string num(long long value) { return std::to_string(value); }

std::string rectJson(const RECT& r) {
    return "[" + num(r.left) + "," + num(r.top) + "," + num(r.right) + "," + num(r.bottom) + "]";
}

std::wstring fromHex(const wchar_t* hex) {
    std::wstring out;
    const size_t length = std::wcslen(hex);
    for (size_t i = 0; i + 3 < length; i += 4) {
        wchar_t digits[5] = {hex[i + 2], hex[i + 3], hex[i], hex[i + 1], 0};   // little-endian pairs
        out += static_cast<wchar_t>(std::wcstoul(digits, nullptr, 16));
    }
    return out;
}

// WM_GETTEXT works across processes; GetWindowTextW would give only the
// creation caption of another process's edit control.
std::wstring textOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"";
    std::vector<wchar_t> buffer(length + 2, 0);
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    return std::wstring(buffer.data());
}

std::wstring classOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

HWND findMain() {
    return FindWindowW(MAIN_CLASS, nullptr);
}

struct DialogSearch {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK collectDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && classOf(window) == L"#32770") {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> dialogsOf(HWND main) {
    DialogSearch search{0, {}};
    GetWindowThreadProcessId(main, &search.process);
    EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK collectChild(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::string controlJson(HWND control, HWND parent) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return "{\"class\":" + json(classOf(control)) + ",\"id\":" + num(GetDlgCtrlID(control)) +
           ",\"style\":" + num(static_cast<unsigned>(GetWindowLongW(control, GWL_STYLE))) +
           ",\"exStyle\":" + num(static_cast<unsigned>(GetWindowLongW(control, GWL_EXSTYLE))) +
           ",\"rect\":" + rectJson(rect) + ",\"visible\":" + (IsWindowVisible(control) ? "true" : "false") +
           ",\"text\":" + json(textOf(control)) + ",\"hwnd\":" + num(reinterpret_cast<INT_PTR>(control)) + "}";
}

std::string infoJson(HWND main) {
    if (main == nullptr) return "{\"found\":false}";
    std::string out = "{\"found\":true,\"hwnd\":" + num(reinterpret_cast<INT_PTR>(main));
    out += ",\"class\":" + json(classOf(main)) + ",\"title\":" + json(textOf(main));
    out += ",\"style\":" + num(static_cast<unsigned>(GetWindowLongW(main, GWL_STYLE)));
    out += ",\"exStyle\":" + num(static_cast<unsigned>(GetWindowLongW(main, GWL_EXSTYLE)));
    RECT window;
    GetWindowRect(main, &window);
    RECT client;
    GetClientRect(main, &client);
    POINT origin = {0, 0};
    ClientToScreen(main, &origin);
    out += ",\"window\":" + rectJson(window) + ",\"client\":" + rectJson(client);
    out += ",\"clientOrigin\":[" + num(origin.x) + "," + num(origin.y) + "]";

    // What the program should have computed, from this system's own metrics.
    RECT adjusted = {0, 0, 1020, 720};
    AdjustWindowRect(&adjusted, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE);
    out += ",\"adjusted\":" + rectJson(adjusted);
    out += ",\"screen\":[" + num(GetSystemMetrics(SM_CXSCREEN)) + "," + num(GetSystemMetrics(SM_CYSCREEN)) + "]";

    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
    out += ",\"focus\":{\"hwnd\":" + num(reinterpret_cast<INT_PTR>(thread.hwndFocus));
    out += ",\"isMain\":" + std::string(thread.hwndFocus == main ? "true" : "false");
    out += ",\"id\":" + num(thread.hwndFocus != nullptr && thread.hwndFocus != main ? GetDlgCtrlID(thread.hwndFocus) : -1);
    out += ",\"class\":" + json(thread.hwndFocus != nullptr ? classOf(thread.hwndFocus) : L"");
    out += ",\"active\":" + num(reinterpret_cast<INT_PTR>(thread.hwndActive)) + "}";
    out += ",\"enabled\":" + std::string(IsWindowEnabled(main) ? "true" : "false");

    out += ",\"children\":[";
    bool first = true;
    for (HWND child : childrenOf(main)) {
        if (!first) out += ",";
        first = false;
        out += controlJson(child, main);
    }
    out += "],\"dialogs\":[";
    first = true;
    for (HWND dialog : dialogsOf(main)) {
        if (!first) out += ",";
        first = false;
        out += "{\"caption\":" + json(textOf(dialog)) + ",\"owner\":" +
               num(reinterpret_cast<INT_PTR>(GetWindow(dialog, GW_OWNER))) + ",\"texts\":[";
        bool firstText = true;
        for (HWND child : childrenOf(dialog)) {
            if (classOf(child) != L"Static") continue;
            const std::wstring text = textOf(child);
            if (text.empty()) continue;
            if (!firstText) out += ",";
            firstText = false;
            out += json(text);
        }
        out += "]}";
    }
    return out + "]}";
}

int print(const std::string& text) {
    std::string line = text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return 0;
}

HWND controlById(HWND main, int id) {
    for (HWND child : childrenOf(main)) {
        if (GetDlgCtrlID(child) == id) return child;
    }
    return nullptr;
}

// A control named by its id ("2000"), by its handle ("h65624") or the main
// window itself ("0").
HWND controlFor(HWND main, const wchar_t* which) {
    if (which[0] == L'h') return reinterpret_cast<HWND>(static_cast<INT_PTR>(std::wcstoll(which + 1, nullptr, 10)));
    const int id = std::wcstol(which, nullptr, 10);
    return id == 0 ? main : controlById(main, id);
}

template <typename Ready>
int waitFor(DWORD timeoutMs, Ready ready) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        HWND main = findMain();
        if (main != nullptr && ready(main)) {
            print(infoJson(main));
            return 0;
        }
        if (GetTickCount64() >= end) {
            print(infoJson(main));
            return 1;
        }
        Sleep(50);
    }
}

// The icon group 1 of an exe: its images' sizes and bit depths, and whether
// the system can make an icon of it at 32 pixels.
int exeIcon(const wchar_t* path) {
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        print("{\"loaded\":false}");
        return 1;
    }
    std::string out = "{\"loaded\":true,\"images\":[";
    HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    if (group != nullptr) {
        const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
        const int count = dir[4] | (dir[5] << 8);
        for (int i = 0; i < count; ++i) {
            const BYTE* entry = dir + 6 + 14 * i;   // GRPICONDIRENTRY
            const int size = entry[0] == 0 ? 256 : entry[0];
            const int bits = entry[6] | (entry[7] << 8);
            out += std::string(i ? "," : "") + "[" + num(size) + "," + num(bits) + "]";
        }
    }
    HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
    out += "],\"group\":" + std::string(group != nullptr ? "true" : "false");
    out += ",\"loads\":" + std::string(icon != nullptr ? "true" : "false") + "}";
    if (icon != nullptr) DestroyIcon(icon);
    FreeLibrary(module);
    print(out);
    return 0;
}

int missingGlyphs(const wchar_t* face, int height, int weight, const std::wstring& text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    HGDIOBJ old = SelectObject(dc, font);
    std::vector<WORD> glyphs(text.size() + 1, 0);
    GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    int missing = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (glyphs[i] == 0xFFFF) ++missing;
    }
    wchar_t actual[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, actual);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    print("{\"missing\":" + num(missing) + ",\"count\":" + num(static_cast<long long>(text.size())) +
          ",\"face\":" + json(actual) + "}");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring command = argv[1];
    auto arg = [&](int i) -> const wchar_t* { return i < argc ? argv[i] : L""; };
    auto timeout = [&](int i) { return static_cast<DWORD>(std::wcstoul(arg(i), nullptr, 10)); };

    if (command == L"info") {
        HWND main = findMain();
        print(infoJson(main));
        return main != nullptr ? 0 : 1;
    }
    if (command == L"wait-window") {
        return waitFor(timeout(2), [](HWND main) { return IsWindowVisible(main) != FALSE; });
    }
    if (command == L"wait-dialog") {
        return waitFor(timeout(2), [](HWND main) { return !dialogsOf(main).empty(); });
    }
    if (command == L"wait-no-dialog") {
        return waitFor(timeout(2), [](HWND main) { return dialogsOf(main).empty(); });
    }
    if (command == L"wait-text") {
        const wchar_t* which = arg(2);
        const std::wstring wanted = fromHex(arg(3));
        return waitFor(timeout(4), [&](HWND main) {
            HWND control = controlFor(main, which);
            return control != nullptr && textOf(control) == wanted;
        });
    }
    if (command == L"close-dialogs") {
        HWND main = findMain();
        if (main == nullptr) return 1;
        for (HWND dialog : dialogsOf(main)) {
            HWND ok = GetDlgItem(dialog, IDOK);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
        }
        return 0;
    }
    if (command == L"close") {
        HWND main = findMain();
        if (main == nullptr) return 1;
        PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    if (command == L"settext" || command == L"settext-repeat") {
        HWND main = findMain();
        HWND control = main != nullptr ? controlFor(main, arg(2)) : nullptr;
        if (control == nullptr) return 1;
        std::wstring text = fromHex(arg(3));
        if (command == L"settext-repeat") {
            const std::wstring unit = text;
            const long count = std::wcstol(arg(4), nullptr, 10);
            text.clear();
            for (long i = 0; i < count; ++i) text += unit;
        }
        DWORD_PTR result = 0;
        SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                            &result);
        return 0;
    }
    if (command == L"exe-icon") {
        return exeIcon(arg(2));
    }
    if (command == L"glyphs") {
        return missingGlyphs(arg(2), std::wcstol(arg(3), nullptr, 10), std::wcstol(arg(4), nullptr, 10),
                             fromHex(arg(5)));
    }
    return 2;
}
