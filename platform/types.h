// Portable handle and record types shared by every platform operation.
// Values and layouts match Win32 so the win32 backend can pass them through; records that
// carry text hold it in UTF-8 and are converted there instead.
#pragma once
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define PLAT_CALLBACK __stdcall
#else
#define PLAT_CALLBACK
#endif

namespace plat {

struct WindowTag;
struct KeyTag;
struct DcTag;
struct GdiTag;
struct MenuTag;
struct IconTag;
struct InstanceTag;
struct KernelTag;
struct DeferTag;

using Hwnd = WindowTag*;
using Hkey = KeyTag*;
using Hdc = DcTag*;
using Hgdi = GdiTag*;       // pen, brush, font, bitmap, region
using Hmenu = MenuTag*;
using Hicon = IconTag*;     // icons and cursors
using Hinstance = InstanceTag*;
using Handle = KernelTag*;  // threads, events, mutexes, file mappings, find handles
using Hdwp = DeferTag*;

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using Bool = int;

struct Rect {
    std::int32_t left, top, right, bottom;
};
struct Point {
    std::int32_t x, y;
};
struct Size {
    std::int32_t cx, cy;
};

struct Msg {
    Hwnd hwnd;
    std::uint32_t message;
    WParam wParam;
    LParam lParam;
    std::uint32_t time;
    Point pt;
};

using WndProc = LResult(PLAT_CALLBACK*)(Hwnd, std::uint32_t, WParam, LParam);
// The exception record is not read: the filter only has to bring the windows home.
using ExceptionFilter = long(PLAT_CALLBACK*)(void* exceptionPointers);
using ThreadProc = std::uint32_t(PLAT_CALLBACK*)(void*);
using SendAsyncProc = void(PLAT_CALLBACK*)(Hwnd, std::uint32_t, std::uintptr_t, LResult);
using EnumWindowsProc = Bool(PLAT_CALLBACK*)(Hwnd, LParam);

struct WndClass {
    std::uint32_t style;
    WndProc lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    Hinstance hInstance;
    Hicon hIcon;
    Hicon hCursor;
    Hgdi hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
};

struct MinMaxInfo {
    Point ptReserved;
    Point ptMaxSize;
    Point ptMaxPosition;
    Point ptMinTrackSize;
    Point ptMaxTrackSize;
};

struct PaintStruct {
    Hdc hdc;
    Bool fErase;
    Rect rcPaint;
    Bool fRestore;
    Bool fIncUpdate;
    std::uint8_t rgbReserved[32];
};

struct LogFont {
    std::int32_t lfHeight;
    std::int32_t lfWidth;
    std::int32_t lfEscapement;
    std::int32_t lfOrientation;
    std::int32_t lfWeight;
    std::uint8_t lfItalic;
    std::uint8_t lfUnderline;
    std::uint8_t lfStrikeOut;
    std::uint8_t lfCharSet;
    std::uint8_t lfOutPrecision;
    std::uint8_t lfClipPrecision;
    std::uint8_t lfQuality;
    std::uint8_t lfPitchAndFamily;
    char lfFaceName[32];
};
static_assert(sizeof(LogFont) == 60, "LOGFONTA is 60 bytes");

// The fields of the first NOTIFYICONDATA form; the tip is UTF-8, at most 63 bytes.
struct NotifyIconData {
    std::uint32_t cbSize;
    Hwnd hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    Hicon hIcon;
    char szTip[64];
};

// A path of MAX_PATH UTF-16 units takes up to three times as many bytes of UTF-8.
constexpr std::uint32_t MaxPathBytes = 3 * 260;

// What file search reports, with the names in UTF-8: no longer the Win32 record itself, since
// a name of 259 UTF-16 units may take 777 bytes.
struct Win32FindData {
    std::uint32_t dwFileAttributes;
    std::uint32_t ftCreationTime[2];
    std::uint32_t ftLastAccessTime[2];
    std::uint32_t ftLastWriteTime[2];
    std::uint32_t nFileSizeHigh;
    std::uint32_t nFileSizeLow;
    char cFileName[MaxPathBytes];
    char cAlternateFileName[3 * 14];
};

// ---- Constants (Win32 values) ----

// Messages
constexpr std::uint32_t WM_CREATE = 1, WM_DESTROY = 2, WM_MOVE = 3, WM_SIZE = 5, WM_ACTIVATE = 6,
                        WM_SETFOCUS = 7, WM_KILLFOCUS = 8, WM_SETTEXT = 12, WM_GETTEXT = 13,
                        WM_GETTEXTLENGTH = 14, WM_PAINT = 15, WM_CLOSE = 16, WM_QUIT = 18,
                        WM_ERASEBKGND = 20, WM_SHOWWINDOW = 24, WM_GETMINMAXINFO = 36,
                        WM_SETFONT = 48, WM_QUERYDRAGICON = 55, WM_WINDOWPOSCHANGED = 71,
                        WM_HELP = 83, WM_DISPLAYCHANGE = 126, WM_NCCREATE = 129,
                        WM_NCDESTROY = 130, WM_NCMOUSEMOVE = 160, WM_KEYDOWN = 256,
                        WM_KEYUP = 257, WM_CHAR = 258, WM_COMMAND = 273, WM_SYSCOMMAND = 274,
                        WM_TIMER = 275, WM_MOUSEMOVE = 512, WM_LBUTTONDOWN = 513,
                        WM_LBUTTONUP = 514, WM_LBUTTONDBLCLK = 515, WM_RBUTTONDOWN = 516,
                        WM_RBUTTONUP = 517, WM_RBUTTONDBLCLK = 518, WM_MBUTTONDOWN = 519,
                        WM_HOTKEY = 786, WM_USER = 1024;
constexpr std::uint32_t WM_QUERYENDSESSION = 17, WM_ENDSESSION = 22;
// Queue states and peeking, as far as waiting while serving sent messages, and taking queued
// hotkeys without serving them, need them.
constexpr std::uint32_t QS_SENDMESSAGE = 0x40, QS_POSTMESSAGE = 0x08, QS_TIMER = 0x10,
                        QS_HOTKEY = 0x80, PM_NOREMOVE = 0, PM_REMOVE = 1,
                        PM_QS_SENDMESSAGE = QS_SENDMESSAGE << 16,
                        PM_QS_POSTMESSAGE = (QS_POSTMESSAGE | QS_HOTKEY | QS_TIMER) << 16;
// What an unhandled-exception filter answers.
constexpr long EXCEPTION_EXECUTE_HANDLER = 1, EXCEPTION_CONTINUE_SEARCH = 0;

constexpr std::uint32_t SC_CLOSE = 61536;
constexpr std::uint32_t MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8;

// Edit and list box messages
constexpr std::uint32_t EM_GETSEL = 0x00B0, EM_SETSEL = 0x00B1;
constexpr std::uint32_t EN_KILLFOCUS = 0x0200;
constexpr std::uint32_t LB_GETTEXT = 0x0189, LB_GETTEXTLEN = 0x018A, LB_GETCOUNT = 0x018B,
                        LB_GETITEMDATA = 0x0199, LB_ADDSTRING = 0x0180, LB_SETITEMDATA = 0x019A;

// Window styles
constexpr std::uint32_t WS_POPUP = 0x80000000u, WS_CHILD = 0x40000000u, WS_MINIMIZE = 0x20000000u,
                        WS_VISIBLE = 0x10000000u,
                        WS_BORDER = 0x00800000u, WS_CAPTION = 0x00C00000u,
                        WS_SYSMENU = 0x00080000u, WS_THICKFRAME = 0x00040000u,
                        WS_OVERLAPPEDWINDOW = 0x00CF0000u;
constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008u, WS_EX_TOOLWINDOW = 0x00000080u;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080u;
constexpr std::uint32_t CS_VREDRAW = 1, CS_HREDRAW = 2, CS_DBLCLKS = 8;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// ShowWindow
constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3,
              SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6, SW_RESTORE = 9,
              SW_SHOWDEFAULT = 10;

// SetWindowPos
constexpr std::uint32_t SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004,
                        SWP_NOACTIVATE = 0x0010, SWP_SHOWWINDOW = 0x0040,
                        SWP_ASYNCWINDOWPOS = 0x4000;
// A move that leaves the size, the Z-order and the foreground as they are.
constexpr std::uint32_t QuietMoveFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
inline const Hwnd HWND_TOP = nullptr;
inline const Hwnd HWND_BOTTOM = reinterpret_cast<Hwnd>(static_cast<std::intptr_t>(1));
inline const Hwnd HWND_TOPMOST = reinterpret_cast<Hwnd>(static_cast<std::intptr_t>(-1));
inline const Hwnd HWND_NOTOPMOST = reinterpret_cast<Hwnd>(static_cast<std::intptr_t>(-2));

// GetWindow
constexpr std::uint32_t GW_HWNDFIRST = 0, GW_HWNDLAST = 1, GW_HWNDNEXT = 2, GW_HWNDPREV = 3,
                        GW_OWNER = 4;

// GetWindowLong indices
constexpr int GWLP_WNDPROC = -4, GWLP_HINSTANCE = -6, GWL_STYLE = -16;

// SendMessageTimeout
constexpr std::uint32_t SMTO_NORMAL = 0, SMTO_BLOCK = 1, SMTO_ABORTIFHUNG = 2;

// System metrics
constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CYCAPTION = 4, SM_CXFRAME = 32,
              SM_CYFRAME = 33, SM_CXFULLSCREEN = 16, SM_CYFULLSCREEN = 17,
              SM_CMOUSEBUTTONS = 43;
// GetDeviceCaps
constexpr int HORZRES = 8, VERTRES = 10;

// System colours
constexpr int COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_WINDOW = 5,
              COLOR_WINDOWFRAME = 6, COLOR_CAPTIONTEXT = 9, COLOR_BTNFACE = 15;

constexpr std::uint32_t SPI_GETICONTITLELOGFONT = 31;

// Virtual keys
constexpr int VK_LBUTTON = 1, VK_RBUTTON = 2, VK_MBUTTON = 4, VK_TAB = 9, VK_RETURN = 13,
              VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18, VK_ESCAPE = 27, VK_SPACE = 32,
              VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_F1 = 112;

// RegisterHotKey modifiers
constexpr std::uint32_t MOD_ALT = 1, MOD_CONTROL = 2, MOD_SHIFT = 4, MOD_WIN = 8;

// MessageBox
constexpr std::uint32_t MB_OK = 0, MB_ICONERROR = 0x10, MB_ICONWARNING = 0x30,
                        MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;

// Menus
constexpr std::uint32_t MF_BYCOMMAND = 0, MF_ENABLED = 0, MF_GRAYED = 1, MF_STRING = 0,
                        MF_CHECKED = 8, MF_POPUP = 0x10, MF_MENUBREAK = 0x40,
                        MF_BYPOSITION = 0x400, MF_SEPARATOR = 0x800;
constexpr std::uint32_t TPM_LEFTBUTTON = 0, TPM_RIGHTBUTTON = 2, TPM_NONOTIFY = 0x80,
                        TPM_RETURNCMD = 0x100;

// WinHelp
constexpr std::uint32_t HELP_CONTEXT = 1, HELP_QUIT = 2, HELP_CONTENTS = 3;

// GDI
constexpr int PS_SOLID = 0, PS_DOT = 2;
constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr std::uint32_t SRCCOPY = 0x00CC0020u;
constexpr int WHITE_BRUSH = 0, NULL_BRUSH = 5, DEFAULT_GUI_FONT = 17, SYSTEM_FONT = 13;
constexpr int NULLREGION = 1, SIMPLEREGION = 2, ERROR_REGION = 0;
constexpr int HS_BDIAGONAL = 3;

// Registry
inline const Hkey HKEY_CURRENT_USER = reinterpret_cast<Hkey>(static_cast<std::uintptr_t>(0x80000001u));
inline const Hkey HKEY_LOCAL_MACHINE = reinterpret_cast<Hkey>(static_cast<std::uintptr_t>(0x80000002u));
constexpr std::uint32_t REG_NONE = 0, REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3,
                        REG_DWORD = 4;
constexpr std::uint32_t REG_OPTION_NON_VOLATILE = 0;
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001, KEY_SET_VALUE = 0x0002, KEY_READ = 0x20019,
                        KEY_WRITE = 0x20006, KEY_ALL_ACCESS = 0xF003F;

// Error codes
constexpr long ERROR_SUCCESS = 0, ERROR_FILE_NOT_FOUND = 2, ERROR_ACCESS_DENIED = 5,
               ERROR_INVALID_HANDLE = 6, ERROR_ALREADY_EXISTS = 183, ERROR_MORE_DATA = 234,
               ERROR_NO_MORE_ITEMS = 259, ERROR_TIMEOUT = 1460;

// Kernel
constexpr std::uint32_t INFINITE = 0xFFFFFFFFu;
constexpr std::uint32_t WAIT_OBJECT_0 = 0, WAIT_ABANDONED = 0x80, WAIT_TIMEOUT = 258,
                        WAIT_FAILED = 0xFFFFFFFFu;
constexpr std::uint32_t SYNCHRONIZE = 0x00100000;  // process access: wait for its end
constexpr std::uint32_t PAGE_READWRITE = 0x04, FILE_MAP_WRITE = 0x0002;
inline const Handle INVALID_HANDLE_VALUE = reinterpret_cast<Handle>(static_cast<std::intptr_t>(-1));
constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr std::uint32_t MAX_PATH = 260;

// Shell
constexpr std::uint32_t NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2;
constexpr std::uint32_t NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4;

constexpr std::uint32_t RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
           (static_cast<std::uint32_t>(b) << 16);
}

inline std::uint16_t LOWORD(std::uintptr_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
inline std::uint16_t HIWORD(std::uintptr_t v) {
    return static_cast<std::uint16_t>((v >> 16) & 0xFFFF);
}

// Resource identifiers passed as names (MAKEINTRESOURCE).
inline const char* MakeIntResource(int id) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(static_cast<std::uint16_t>(id)));
}
inline bool IsIntResource(const char* p) {
    return (reinterpret_cast<std::uintptr_t>(p) >> 16) == 0;
}
constexpr int IDC_ARROW = 32512;

}  // namespace plat
