// Win32 wide text is UTF-16 on Windows: the core's char16_t texts pass to the
// W functions as they are. Only the Windows halves include this; it sits at
// the bottom so that none of them needs another folder's header for it.
#pragma once

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is UTF-16 only on Windows");

inline const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
