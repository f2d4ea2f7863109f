// Private to the Win32 backend: the real Win32 headers plus handle conversions.
#pragma once

// The portable declarations must be parsed before <windows.h>: its macros (WM_CREATE,
// RGB, CW_USEDEFAULT, GetWindowLongPtr...) would otherwise rewrite them.
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/libs.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/types.h"
#include "platform/window.h"

#include "platform/win32/sdk.h"
// Included here, before the names below are undefined: its macros would come back otherwise.
#include <shellapi.h>

#include <string>

#include "platform/text.h"

// On 32-bit Windows these two are macros for the non-Ptr calls; the product links against
// the real names.
#undef GetWindowLongPtrA
#undef SetWindowLongPtrA

// The generic names that <windows.h> maps to its A or W forms name the plat operations (the
// UTF-8 forms): undefined here, or the macros would rewrite their definitions.
#undef CallWindowProc
#undef CreateEvent
#undef CreateFileMapping
#undef CreateFontIndirect
#undef CreateMutex
#undef CreateWindowEx
#undef DefWindowProc
#undef DispatchMessage
#undef ExpandEnvironmentStrings
#undef FindFirstFile
#undef FindNextFile
#undef GetClassName
#undef GetDlgItemText
#undef GetFileAttributes
#undef GetMessage
#undef GetModuleFileName
#undef GetProp
#undef GetTextExtentPoint
#undef GetWindowLongPtr
#undef GetWindowText
#undef InsertMenu
#undef LoadCursor
#undef LoadIcon
#undef LoadMenu
#undef MessageBox
#undef PeekMessage
#undef PostMessage
#undef PostThreadMessage
#undef RegCreateKeyEx
#undef RegDeleteValue
#undef RegEnumValue
#undef RegOpenKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegisterClass
#undef RegisterWindowMessage
#undef RemoveProp
#undef SendMessage
#undef SendMessageCallback
#undef SendMessageTimeout
#undef SetProp
#undef SetWindowLongPtr
#undef SetWindowText
#undef ShellExecute
#undef Shell_NotifyIcon
#undef SystemParametersInfo
#undef TextOut
#undef UnregisterClass
#undef WinHelp

namespace w32 {

// Every plat handle type is an opaque pointer of the same size as its Win32 counterpart.
template <class To, class From>
inline To As(From from) {
    static_assert(sizeof(To) == sizeof(From), "handle sizes differ");
    return reinterpret_cast<To>(from);
}

// Function pointers between the plat callback types and the Win32 ones. Going through
// void(*)() keeps -Wcast-function-type quiet about the benign int/long differences.
template <class To, class From>
inline To AsProc(From from) {
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(from));
}

// UTF-8 text as zero-terminated UTF-16 for a W call. A null pointer stays null and an integer
// resource name (MAKEINTRESOURCE) passes through unchanged.
class Wide {
public:
    explicit Wide(const char* text) : Wide(text, text && !plat::IsIntResource(text) ? std::strlen(text) : 0) {}
    Wide(const char* text, std::size_t length) {
        if (!text || plat::IsIntResource(text)) {
            pointer = reinterpret_cast<const wchar_t*>(text);
            return;
        }
        buffer.resize(Utf8ToUtf16<wchar_t>(text, length, nullptr, 0) + 1);
        Utf8ToUtf16(text, length, &buffer[0], buffer.size());
        buffer.pop_back();  // the string keeps its own terminator
        pointer = buffer.c_str();
    }
    const wchar_t* get() const { return pointer; }
    // Units, terminator excluded.
    std::size_t size() const { return buffer.size(); }

private:
    std::wstring buffer;
    const wchar_t* pointer = nullptr;
};

// Writes wide text (length units) into buf (max bytes) as UTF-8, whole characters only, and
// terminates it. A high surrogate left at the end by the system's own cut is dropped.
inline int ToUtf8(const wchar_t* text, std::size_t length, char* buf, int max) {
    if (!buf || max <= 0) return 0;
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] < 0xDC00) --length;
    return static_cast<int>(Utf16ToUtf8(text, length, buf, static_cast<std::size_t>(max)));
}

// A wide buffer for text that must end up in max bytes of UTF-8: max units are enough, since
// every unit takes at least one byte. Small buffers stay on the stack.
class WideBuffer {
public:
    explicit WideBuffer(int max) : units(max > 0 ? static_cast<std::size_t>(max) : 1) {
        if (units > sizeof local / sizeof local[0]) heap.resize(units);
    }
    wchar_t* get() { return heap.empty() ? local : &heap[0]; }
    int size() const { return static_cast<int>(units); }

private:
    std::size_t units;
    wchar_t local[1024];
    std::wstring heap;
};

}  // namespace w32
