// The plat records are passed to Win32 by reinterpret_cast, so their layouts must match.
#include <cstddef>
#include <cstdint>

#include "platform/dwm.h"
#include "platform/types.h"

// Every plain constant the product passes straight to Win32. Listed once, expanded twice:
// here as the plat values, after <windows.h> as the Win32 macros of the same name.
#define PARMENA_CONSTANTS(X)                                                                 \
    X(WM_CREATE) X(WM_DESTROY) X(WM_MOVE) X(WM_SIZE) X(WM_ACTIVATE) X(WM_SETFOCUS)            \
    X(WM_KILLFOCUS) X(WM_SETTEXT) X(WM_GETTEXT) X(WM_GETTEXTLENGTH) X(WM_PAINT) X(WM_CLOSE)   \
    X(WM_QUIT) X(WM_ERASEBKGND) X(WM_SHOWWINDOW) X(WM_GETMINMAXINFO) X(WM_SETFONT)            \
    X(WM_QUERYDRAGICON) X(WM_WINDOWPOSCHANGED) X(WM_HELP) X(WM_DISPLAYCHANGE) X(WM_NCCREATE)  \
    X(WM_NCDESTROY) X(WM_NCMOUSEMOVE) X(WM_KEYDOWN) X(WM_KEYUP) X(WM_CHAR) X(WM_COMMAND)      \
    X(WM_SYSCOMMAND) X(WM_TIMER) X(WM_MOUSEMOVE) X(WM_LBUTTONDOWN) X(WM_LBUTTONUP)            \
    X(WM_LBUTTONDBLCLK) X(WM_RBUTTONDOWN) X(WM_RBUTTONUP) X(WM_RBUTTONDBLCLK)                 \
    X(WM_MBUTTONDOWN) X(WM_HOTKEY) X(WM_USER) X(SC_CLOSE) X(MK_LBUTTON) X(MK_RBUTTON)         \
    X(MK_SHIFT) X(MK_CONTROL) X(EM_GETSEL) X(EM_SETSEL) X(EN_KILLFOCUS) X(LB_GETTEXT)         \
    X(LB_GETTEXTLEN) X(LB_GETCOUNT) X(LB_GETITEMDATA) X(LB_ADDSTRING) X(LB_SETITEMDATA)       \
    X(WS_POPUP) X(WS_CHILD) X(WS_MINIMIZE) X(WS_VISIBLE) X(WS_BORDER) X(WS_CAPTION) X(WS_SYSMENU)            \
    X(WS_THICKFRAME) X(WS_OVERLAPPEDWINDOW) X(WS_EX_TOPMOST) X(WS_EX_TOOLWINDOW)              \
    X(ES_AUTOHSCROLL) X(CS_VREDRAW) X(CS_HREDRAW) X(CS_DBLCLKS) X(CW_USEDEFAULT) X(SW_HIDE)   \
    X(SW_SHOWNORMAL) X(SW_SHOWMINIMIZED) X(SW_SHOWMAXIMIZED) X(SW_SHOWNOACTIVATE) X(SW_SHOW)  \
    X(SW_MINIMIZE) X(SW_RESTORE) X(SW_SHOWDEFAULT) X(SWP_NOSIZE) X(SWP_NOMOVE)                \
    X(SWP_NOZORDER) X(SWP_NOACTIVATE) X(SWP_SHOWWINDOW) X(SWP_ASYNCWINDOWPOS) X(GW_HWNDFIRST)  \
    X(GW_HWNDLAST) X(GW_HWNDNEXT) X(GW_HWNDPREV) X(GW_OWNER) X(GWLP_WNDPROC) X(GWLP_HINSTANCE) X(GWL_STYLE) \
    X(SMTO_NORMAL) X(SMTO_BLOCK) X(SMTO_ABORTIFHUNG) X(SM_CXSCREEN)                            \
    X(SM_CYSCREEN) X(SM_CYCAPTION) X(SM_CXFRAME)                                               \
    X(SM_CYFRAME) X(SM_CXFULLSCREEN) X(SM_CYFULLSCREEN) X(SM_CMOUSEBUTTONS) X(HORZRES)        \
    X(VERTRES) X(COLOR_BACKGROUND) X(COLOR_ACTIVECAPTION) X(COLOR_WINDOW)                     \
    X(COLOR_WINDOWFRAME) X(COLOR_CAPTIONTEXT) X(COLOR_BTNFACE) X(SPI_GETICONTITLELOGFONT)     \
    X(VK_LBUTTON) X(VK_RBUTTON) X(VK_MBUTTON) X(VK_TAB) X(VK_RETURN) X(VK_SHIFT)              \
    X(VK_CONTROL) X(VK_MENU) X(VK_ESCAPE) X(VK_SPACE) X(VK_LEFT) X(VK_UP) X(VK_RIGHT)         \
    X(VK_DOWN) X(VK_F1) X(MOD_ALT) X(MOD_CONTROL) X(MOD_SHIFT) X(MB_OK) X(MB_ICONERROR)       \
    X(MB_ICONWARNING) X(MB_ICONINFORMATION) X(IDOK) X(MF_BYCOMMAND) X(MF_ENABLED)             \
    X(MF_GRAYED) X(MF_STRING) X(MF_CHECKED) X(MF_POPUP) X(MF_MENUBREAK) X(MF_BYPOSITION)  \
    X(MF_SEPARATOR) X(TPM_NONOTIFY) X(TPM_RETURNCMD) X(TPM_LEFTBUTTON) X(TPM_RIGHTBUTTON) X(HELP_CONTEXT) X(HELP_QUIT)            \
    X(HELP_CONTENTS) X(PS_SOLID) X(PS_DOT) X(TRANSPARENT) X(OPAQUE) X(SRCCOPY)                \
    X(WHITE_BRUSH) X(NULL_BRUSH) X(DEFAULT_GUI_FONT) X(SYSTEM_FONT) X(NULLREGION) X(SIMPLEREGION)           \
    X(REG_NONE) X(REG_SZ) X(REG_EXPAND_SZ) X(REG_BINARY) X(REG_DWORD)                         \
    X(REG_OPTION_NON_VOLATILE) X(KEY_QUERY_VALUE) X(KEY_SET_VALUE) X(KEY_READ) X(KEY_WRITE)   \
    X(KEY_ALL_ACCESS) X(ERROR_SUCCESS) X(ERROR_FILE_NOT_FOUND) X(ERROR_ACCESS_DENIED)         \
    X(ERROR_INVALID_HANDLE) X(ERROR_ALREADY_EXISTS) X(ERROR_MORE_DATA) X(ERROR_NO_MORE_ITEMS) \
    X(ERROR_TIMEOUT) X(INFINITE) X(WAIT_OBJECT_0) X(WAIT_ABANDONED) X(WAIT_TIMEOUT)           \
    X(WAIT_FAILED) X(SYNCHRONIZE) X(PAGE_READWRITE) X(FILE_MAP_WRITE) X(FILE_ATTRIBUTE_DIRECTORY) X(NIM_ADD) \
    X(FILE_ATTRIBUTE_NORMAL) X(INVALID_FILE_ATTRIBUTES) X(MAX_PATH) X(WM_QUERYENDSESSION)     \
    X(WM_ENDSESSION) X(QS_SENDMESSAGE) X(PM_NOREMOVE) X(PM_REMOVE) X(PM_QS_SENDMESSAGE)       \
    X(QS_POSTMESSAGE) X(QS_TIMER) X(QS_HOTKEY) X(PM_QS_POSTMESSAGE)                           \
    X(EXCEPTION_EXECUTE_HANDLER) X(EXCEPTION_CONTINUE_SEARCH)                                 \
    X(NIM_MODIFY) X(NIM_DELETE) X(NIF_MESSAGE) X(NIF_ICON) X(NIF_TIP)                         \
    X(MOD_WIN) X(HS_BDIAGONAL) X(DWMWA_CLOAKED)

// Compared modulo 2^32: Win32 spells some of these as long, some as unsigned.
#define PARMENA_PLAT_VALUE(name) static_cast<std::uint32_t>(plat::name),
static constexpr std::uint32_t platValues[] = {PARMENA_CONSTANTS(PARMENA_PLAT_VALUE)};
static constexpr std::uint32_t platRegionError = static_cast<std::uint32_t>(plat::ERROR_REGION);
static constexpr std::uintptr_t platCursorArrow = static_cast<std::uintptr_t>(plat::IDC_ARROW);

#include "platform/win32/win.h"

#include <dwmapi.h>
#include <shellapi.h>

#define PARMENA_WIN_VALUE(name) static_cast<std::uint32_t>(name),
static constexpr std::uint32_t winValues[] = {PARMENA_CONSTANTS(PARMENA_WIN_VALUE)};
static_assert(sizeof(platValues) == sizeof(winValues), "constant lists differ in length");

static constexpr int FirstMismatch() {
    for (std::size_t i = 0; i < sizeof(platValues) / sizeof(platValues[0]); ++i)
        if (platValues[i] != winValues[i]) return static_cast<int>(i);
    return -1;
}
// On failure the compiler names the index into PARMENA_CONSTANTS of the first wrong value.
template <int Index>
struct PlatConstantDiffersFromWin32At {
    static_assert(Index < 0, "a plat constant differs from its Win32 value");
};
template struct PlatConstantDiffersFromWin32At<FirstMismatch()>;

static_assert(platRegionError == static_cast<std::uint32_t>(RGN_ERROR), "ERROR_REGION");
static_assert(platCursorArrow == 32512, "IDC_ARROW is MAKEINTRESOURCE(32512)");


#define SAME_SIZE(P, W) static_assert(sizeof(P) == sizeof(W), #P " size differs from " #W)
#define SAME_FIELD(P, pf, W, wf) \
    static_assert(offsetof(P, pf) == offsetof(W, wf), #P "::" #pf " offset differs")

SAME_SIZE(plat::Rect, RECT);
SAME_FIELD(plat::Rect, left, RECT, left);
SAME_FIELD(plat::Rect, top, RECT, top);
SAME_FIELD(plat::Rect, right, RECT, right);
SAME_FIELD(plat::Rect, bottom, RECT, bottom);

SAME_SIZE(plat::Point, POINT);
SAME_FIELD(plat::Point, x, POINT, x);
SAME_FIELD(plat::Point, y, POINT, y);

SAME_SIZE(plat::Size, SIZE);
SAME_FIELD(plat::Size, cx, SIZE, cx);
SAME_FIELD(plat::Size, cy, SIZE, cy);

SAME_SIZE(plat::Msg, MSG);
SAME_FIELD(plat::Msg, hwnd, MSG, hwnd);
SAME_FIELD(plat::Msg, message, MSG, message);
SAME_FIELD(plat::Msg, wParam, MSG, wParam);
SAME_FIELD(plat::Msg, lParam, MSG, lParam);
SAME_FIELD(plat::Msg, time, MSG, time);
SAME_FIELD(plat::Msg, pt, MSG, pt);

SAME_SIZE(plat::MinMaxInfo, MINMAXINFO);
SAME_FIELD(plat::MinMaxInfo, ptReserved, MINMAXINFO, ptReserved);
SAME_FIELD(plat::MinMaxInfo, ptMaxSize, MINMAXINFO, ptMaxSize);
SAME_FIELD(plat::MinMaxInfo, ptMaxPosition, MINMAXINFO, ptMaxPosition);
SAME_FIELD(plat::MinMaxInfo, ptMinTrackSize, MINMAXINFO, ptMinTrackSize);
SAME_FIELD(plat::MinMaxInfo, ptMaxTrackSize, MINMAXINFO, ptMaxTrackSize);

SAME_SIZE(plat::PaintStruct, PAINTSTRUCT);
SAME_FIELD(plat::PaintStruct, hdc, PAINTSTRUCT, hdc);
SAME_FIELD(plat::PaintStruct, fErase, PAINTSTRUCT, fErase);
SAME_FIELD(plat::PaintStruct, rcPaint, PAINTSTRUCT, rcPaint);
SAME_FIELD(plat::PaintStruct, fRestore, PAINTSTRUCT, fRestore);
SAME_FIELD(plat::PaintStruct, fIncUpdate, PAINTSTRUCT, fIncUpdate);
SAME_FIELD(plat::PaintStruct, rgbReserved, PAINTSTRUCT, rgbReserved);

SAME_SIZE(plat::LogFont, LOGFONTA);
SAME_FIELD(plat::LogFont, lfHeight, LOGFONTA, lfHeight);
SAME_FIELD(plat::LogFont, lfWidth, LOGFONTA, lfWidth);
SAME_FIELD(plat::LogFont, lfEscapement, LOGFONTA, lfEscapement);
SAME_FIELD(plat::LogFont, lfOrientation, LOGFONTA, lfOrientation);
SAME_FIELD(plat::LogFont, lfWeight, LOGFONTA, lfWeight);
SAME_FIELD(plat::LogFont, lfItalic, LOGFONTA, lfItalic);
SAME_FIELD(plat::LogFont, lfUnderline, LOGFONTA, lfUnderline);
SAME_FIELD(plat::LogFont, lfStrikeOut, LOGFONTA, lfStrikeOut);
SAME_FIELD(plat::LogFont, lfCharSet, LOGFONTA, lfCharSet);
SAME_FIELD(plat::LogFont, lfOutPrecision, LOGFONTA, lfOutPrecision);
SAME_FIELD(plat::LogFont, lfClipPrecision, LOGFONTA, lfClipPrecision);
SAME_FIELD(plat::LogFont, lfQuality, LOGFONTA, lfQuality);
SAME_FIELD(plat::LogFont, lfPitchAndFamily, LOGFONTA, lfPitchAndFamily);
SAME_FIELD(plat::LogFont, lfFaceName, LOGFONTA, lfFaceName);
// The backend copies everything before the face name into a LOGFONTW as it is.
SAME_FIELD(plat::LogFont, lfFaceName, LOGFONTW, lfFaceName);

// The plat handles stand in for the Win32 ones one to one.
SAME_SIZE(plat::Hwnd, HWND);
SAME_SIZE(plat::WParam, WPARAM);
SAME_SIZE(plat::LParam, LPARAM);
SAME_SIZE(plat::LResult, LRESULT);
SAME_SIZE(plat::Bool, BOOL);

