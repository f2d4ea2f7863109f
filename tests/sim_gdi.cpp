// GDI recording, menus and the EDIT control of the simulation.
#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "platform/sim/sim.h"
#include "platform/window.h"

using namespace plat;

namespace {

class SimGdi : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
};

TEST_F(SimGdi, DrawCallsCarryTheStateTheyRanUnder) {
    Hdc screen = GetDC(nullptr);
    Hdc mem = CreateCompatibleDC(screen);
    Hgdi bmp = CreateCompatibleBitmap(screen, 40, 30);
    Hgdi oldBmp = SelectObject(mem, bmp);
    EXPECT_NE(nullptr, oldBmp);  // the stock 1x1 bitmap
    Hgdi pen = CreatePen(PS_DOT, 0, RGB(1, 2, 3));
    Hgdi brush = CreateSolidBrush(RGB(9, 9, 9));
    Hgdi oldPen = SelectObject(mem, pen);
    Hgdi oldBrush = SelectObject(mem, brush);
    EXPECT_EQ(OPAQUE, SetBkMode(mem, TRANSPARENT));
    Rectangle(mem, 1, 2, 3, 4);
    int saved = SaveDC(mem);
    Hgdi rgn = CreateRectRgn(5, 6, 7, 8);
    EXPECT_EQ(SIMPLEREGION, SelectClipRgn(mem, rgn));
    DeleteObject(rgn);
    SetTextColor(mem, RGB(0, 0, 255));
    TextOut(mem, 5, 6, "title", 3);
    EXPECT_TRUE(RestoreDC(mem, saved));
    Rect one{0, 0, 1, 1};
    FillRect(mem, &one, reinterpret_cast<Hgdi>(static_cast<std::uintptr_t>(COLOR_BTNFACE + 1)));
    auto calls = sim::DrawCalls();
    ASSERT_EQ(6u, calls.size());
    EXPECT_EQ("Rectangle", calls[1].op);
    EXPECT_EQ(RGB(1, 2, 3), calls[1].penColor);
    EXPECT_EQ(PS_DOT, calls[1].penStyle);
    EXPECT_EQ(RGB(9, 9, 9), calls[1].brushColor);
    EXPECT_FALSE(calls[1].hasClip);
    EXPECT_EQ("TextOut", calls[4].op);
    EXPECT_EQ("tit", calls[4].text);
    EXPECT_TRUE(calls[4].hasClip);
    EXPECT_EQ(7, calls[4].clip.right);
    EXPECT_EQ(RGB(0, 0, 255), calls[4].textColor);
    EXPECT_FALSE(calls[5].hasClip);  // restored with the saved state
    EXPECT_EQ(0u, calls[5].textColor);
    EXPECT_EQ(0xC0C0C0u, calls[5].brushColor);

    EXPECT_EQ(3, sim::LiveGdiObjects());  // bitmap, pen, brush; the region is gone
    EXPECT_EQ(2, sim::LiveDCs());
    SelectObject(mem, oldBmp);
    SelectObject(mem, oldPen);
    SelectObject(mem, oldBrush);
    DeleteObject(bmp);
    DeleteObject(pen);
    DeleteObject(brush);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(0, sim::LiveGdiObjects());
    EXPECT_EQ(0, sim::LiveDCs());
    EXPECT_EQ(0, sim::GdiViolations());
}

TEST_F(SimGdi, MisuseIsCounted) {
    Hdc mem = CreateCompatibleDC(nullptr);
    Hgdi pen = CreatePen(PS_SOLID, 1, 0);
    Hgdi old = SelectObject(mem, pen);
    EXPECT_TRUE(DeleteObject(pen));  // still selected
    EXPECT_EQ(1, sim::GdiViolations());
    EXPECT_EQ(1, sim::LiveGdiObjects());  // freed only once deselected
    SelectObject(mem, old);
    EXPECT_EQ(0, sim::LiveGdiObjects());
    EXPECT_EQ(nullptr, SelectObject(mem, pen));  // selecting a deleted object
    EXPECT_EQ(2, sim::GdiViolations());
    EXPECT_TRUE(DeleteDC(mem));
    EXPECT_FALSE(LineTo(mem, 1, 1));  // drawing on a deleted DC
    EXPECT_EQ(3, sim::GdiViolations());
    Hdc dc = GetDC(nullptr);
    EXPECT_EQ(1, ReleaseDC(nullptr, dc));
    EXPECT_EQ(0, ReleaseDC(nullptr, dc));
    EXPECT_EQ(4, sim::GdiViolations());
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));  // stock objects are harmless to delete
    EXPECT_EQ(4, sim::GdiViolations());
}

LResult PLAT_CALLBACK Owner(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    return DefWindowProc(w, msg, wp, lp);
}

Hwnd MakeOwner() {
    WndClass wc{};
    wc.lpfnWndProc = Owner;
    wc.lpszClassName = "GdiOwner";
    RegisterClass(&wc);
    return CreateWindowEx(0, "GdiOwner", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(SimGdi, MenusRecordGreyedItemsAndPostOnlyPickableChoices) {
    Hwnd owner = MakeOwner();
    Hmenu bar = LoadMenu(nullptr, MakeIntResource(101));
    Hmenu pop = GetSubMenu(bar, 0);
    ASSERT_NE(nullptr, pop);
    EXPECT_EQ(static_cast<Bool>(MF_ENABLED), EnableMenuItem(pop, 101, MF_BYCOMMAND | MF_GRAYED));
    EXPECT_EQ(static_cast<Bool>(MF_GRAYED), EnableMenuItem(pop, 101, MF_BYCOMMAND | MF_GRAYED));
    EXPECT_EQ(-1, EnableMenuItem(pop, 999, MF_GRAYED));
    Hmenu other = GetSubMenu(LoadMenu(nullptr, MakeIntResource(101)), 0);
    sim::SetMenuChoice(101);  // greyed: the menu is dismissed
    EXPECT_TRUE(TrackPopupMenu(pop, TPM_RIGHTBUTTON, 5, 6, 0, owner, nullptr));
    sim::SetMenuChoice(105);
    EXPECT_TRUE(TrackPopupMenu(other, 0, 7, 8, 0, owner, nullptr));
    auto shown = sim::MenusShown();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(std::vector<int>{101}, shown[0].grayed);
    EXPECT_TRUE(shown[1].grayed.empty());  // each loaded menu has its own state
    EXPECT_EQ(5, shown[0].x);
    Msg m;
    PostQuitMessage(0);
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(WM_COMMAND, m.message);
    EXPECT_EQ(105u, m.wParam);
    EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_EQ(nullptr, GetSubMenu(bar, 0));
}

WndProc g_editProc = nullptr;
std::vector<std::uint32_t> g_parentCommands;

LResult PLAT_CALLBACK Subclass(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    if (msg == WM_CHAR && wp == '#') return 0;  // swallowed
    return CallWindowProc(g_editProc, w, msg, wp, lp);
}

LResult PLAT_CALLBACK Parent(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    if (msg == WM_COMMAND) g_parentCommands.push_back(static_cast<std::uint32_t>(wp));
    return DefWindowProc(w, msg, wp, lp);
}

TEST_F(SimGdi, EditControlEditsSelectsAndCanBeSubclassed) {
    WndClass wc{};
    wc.lpfnWndProc = Parent;
    wc.lpszClassName = "EditParent";
    RegisterClass(&wc);
    Hwnd parent = CreateWindowEx(0, "EditParent", "", WS_POPUP, 0, 0, 128, 18, nullptr, nullptr, nullptr, nullptr);
    Hwnd edit = CreateWindowEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 128, 18, parent,
                                reinterpret_cast<Hmenu>(static_cast<std::uintptr_t>(101)), nullptr, nullptr);
    ASSERT_EQ(edit, GetDlgItem(parent, 101));
    g_editProc = reinterpret_cast<WndProc>(SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(Subclass)));
    ASSERT_NE(nullptr, g_editProc);
    SetWindowText(edit, "hello");
    SendMessage(edit, EM_SETSEL, 0, -1);
    std::uint32_t s = 9, e = 9;
    SendMessage(edit, EM_GETSEL, reinterpret_cast<WParam>(&s), reinterpret_cast<LParam>(&e));
    EXPECT_EQ(0u, s);
    EXPECT_EQ(5u, e);
    SendMessage(edit, WM_CHAR, 'a', 0);  // replaces the selection
    SendMessage(edit, WM_CHAR, '#', 0);  // eaten by the subclass
    SendMessage(edit, WM_CHAR, 'b', 0);
    SendMessage(edit, WM_CHAR, 27, 0);  // not printable: ignored
    char buf[16];
    EXPECT_EQ(2u, GetDlgItemText(parent, 101, buf, sizeof buf));
    EXPECT_STREQ("ab", buf);
    SendMessage(edit, WM_CHAR, 8, 0);
    EXPECT_EQ(1, SendMessage(edit, WM_GETTEXTLENGTH, 0, 0));
    SetFocus(edit);
    SetFocus(nullptr);
    ASSERT_EQ(1u, g_parentCommands.size());
    EXPECT_EQ((static_cast<std::uint32_t>(EN_KILLFOCUS) << 16) | 101u, g_parentCommands[0]);
}

LResult g_eraseAnswer = 0;
int g_erases = 0;

LResult PLAT_CALLBACK Eraser(Hwnd w, std::uint32_t msg, WParam wp, LParam lp) {
    if (msg == WM_ERASEBKGND) {
        ++g_erases;
        return g_eraseAnswer;
    }
    return DefWindowProc(w, msg, wp, lp);
}

TEST_F(SimGdi, BeginPaintErasesOnlyWhenAskedAndValidates) {
    WndClass wc{};
    wc.lpfnWndProc = Eraser;
    wc.lpszClassName = "Eraser";
    RegisterClass(&wc);
    Hwnd w = CreateWindowEx(0, "Eraser", "", WS_POPUP | WS_THICKFRAME | WS_VISIBLE, 0, 0, 40, 30, nullptr,
                             nullptr, nullptr, nullptr);
    PaintStruct ps;
    ASSERT_NE(nullptr, BeginPaint(w, &ps));  // shown at creation: whole client, erased
    EXPECT_EQ(1, g_erases);
    EXPECT_TRUE(ps.fErase);  // the procedure did not erase
    EXPECT_EQ(32, ps.rcPaint.right);  // client of a sizing frame
    EndPaint(w, &ps);
    EXPECT_EQ(0, sim::LiveDCs());
    Rect part{1, 2, 3, 4};
    InvalidateRect(w, &part, 0);
    BeginPaint(w, &ps);
    EXPECT_EQ(1, g_erases);
    EXPECT_EQ(2, ps.rcPaint.top);
    EXPECT_FALSE(ps.fErase);
    EndPaint(w, &ps);
    EXPECT_FALSE(EndPaint(w, &ps));
    EXPECT_EQ(1, sim::GdiViolations());
    g_eraseAnswer = 1;
    InvalidateRect(w, nullptr, 1);
    BeginPaint(w, &ps);
    EXPECT_EQ(2, g_erases);
    EXPECT_FALSE(ps.fErase);  // erased by the procedure
    EndPaint(w, &ps);
    BeginPaint(w, &ps);  // nothing left to paint
    EXPECT_EQ(0, ps.rcPaint.right);
    EndPaint(w, &ps);
}

}  // namespace
