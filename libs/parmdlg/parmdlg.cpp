// parmdlg.dll: the about box and the settings dialog, shown modally on the caller's thread.
// The settings sheet edits copies (prefcore) and writes them back only on OK or Apply.

// The shared headers first: the macros of <windows.h> would rewrite their names.
#include "libs/parmdlg/prefcore.h"

#include "platform/win32/companions.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "libs/parmdlg/dlgids.h"
#include "platform/text.h"

static_assert(sizeof(plat::LogFont) == sizeof(LOGFONTA), "the record's font is a LOGFONTA");

namespace {

HINSTANCE module = nullptr;

constexpr int PageCount = 6;
constexpr UINT MsgCenterSheet = WM_APP;
const int PageTemplates[PageCount] = {IDD_PAGE_GENERAL, IDD_PAGE_DESKTOPS, IDD_PAGE_PAGER,
                                      IDD_PAGE_WINDOWS, IDD_PAGE_COMMAND,  IDD_PAGE_MIDDLE};
const char Caption[] = "Parmena Settings";
const char GuideName[] = "parmena.html";

struct Session {
    Settings* record;
    ShortcutStore* store;
    const MouseAction* clicks;
    const MouseAction* drags;
    prefs::Edit edit;
    char exePath[3 * MAX_PATH + 1];  // UTF-8
    bool created[PageCount];
    bool filling;  // controls are being set, not edited by the user
    PrefDialogResult result;
    int currentPage;
    HBRUSH swatches[6];
    WORD shownHotkey;
};
// One sheet at a time, on the dialog thread.
Session* session = nullptr;
// After Apply the program shows the sheet again; it comes back with the same page in front.
int reopenPage = -1;

std::uint32_t Settings::*const ColorFields[6] = {
    &Settings::background,  &Settings::grid,          &Settings::window,
    &Settings::windowFrame, &Settings::windowCaption, &Settings::windowText,
};
std::int32_t Settings::*const GestureFields[5] = {
    &Settings::navMouseSwitch, &Settings::navMouseDrag, &Settings::navMouseDragDD,
    &Settings::navMouseMenu,   &Settings::navMouseMove,
};

// ---------------------------------------------------------------- UTF-8 and the controls
// The library works in UTF-8, as the program does; its windows and controls are Unicode ones.

std::wstring Wide(const std::string& text) {
    std::wstring w(Utf8ToUtf16<wchar_t>(text.data(), text.size(), nullptr, 0) + 1, L'\0');
    w.resize(Utf8ToUtf16(text.data(), text.size(), &w[0], w.size()));
    return w;
}

std::string Utf8(const wchar_t* text, std::size_t length) {
    std::string s(Utf16ToUtf8(text, length, nullptr, 0) + 1, '\0');
    s.resize(Utf16ToUtf8(text, length, &s[0], s.size()));
    return s;
}

void Warn(HWND owner, const std::string& text) {
    MessageBoxW(owner, Wide(text).c_str(), Wide(Caption).c_str(), MB_OK | MB_ICONWARNING);
}

std::string TextOf(HWND dlg, int id) {
    HWND c = GetDlgItem(dlg, id);
    const int n = GetWindowTextLengthW(c);
    if (n <= 0) return std::string();
    std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(c, &w[0], n + 1);
    return Utf8(w.c_str(), got > 0 ? static_cast<std::size_t>(got) : 0);
}

void SetText(HWND dlg, int id, const std::string& text) {
    SetDlgItemTextW(dlg, id, Wide(text).c_str());
}

void SetNumber(HWND dlg, int id, std::int32_t v) { SetText(dlg, id, std::to_string(v)); }

void SetCheck(HWND dlg, int id, bool on) {
    CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED);
}

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

// A stored flag (2, 256...) keeps its value unless the box was turned.
void StoreFlag(HWND dlg, int id, std::int32_t* field) {
    const bool on = Checked(dlg, id);
    if ((*field != 0) != on) *field = on ? 1 : 0;
}

void FillCombo(HWND dlg, int id, const std::vector<prefs::Choice>& known, std::int32_t value) {
    HWND c = GetDlgItem(dlg, id);
    SendMessageA(c, CB_RESETCONTENT, 0, 0);
    int index = 0;
    for (const prefs::Choice& choice : prefs::ChoicesFor(known, value, &index)) {
        const std::wstring label = Wide(choice.label);
        const LRESULT at = SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        if (at >= 0) SendMessageA(c, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(choice.value));
    }
    SendMessageA(c, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::int32_t ComboValue(HWND dlg, int id, std::int32_t fallback) {
    HWND c = GetDlgItem(dlg, id);
    const LRESULT sel = SendMessageA(c, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR) return fallback;
    return static_cast<std::int32_t>(SendMessageA(c, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
}

int DluToPixels(HWND dlg, int dlu) {
    RECT r{0, 0, dlu, 0};
    MapDialogRect(dlg, &r);
    return r.right;
}

void SetUpList(HWND dlg, int id, const std::vector<std::pair<const char*, int>>& columns) {
    HWND list = GetDlgItem(dlg, id);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    int i = 0;
    for (const auto& c : columns) {
        std::wstring heading = Wide(c.first);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = &heading[0];
        col.cx = DluToPixels(dlg, c.second);
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i++), reinterpret_cast<LPARAM>(&col));
    }
}

void SetRows(HWND dlg, int id, const std::vector<std::vector<std::string>>& rows, int select) {
    HWND list = GetDlgItem(dlg, id);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            std::wstring cell = Wide(rows[r][c]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(r);
            item.iSubItem = static_cast<int>(c);
            item.pszText = &cell[0];
            SendMessageW(list, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    if (select >= 0 && select < static_cast<int>(rows.size())) {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(select), reinterpret_cast<LPARAM>(&item));
        SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(select), FALSE);
    }
}

int SelectedRow(HWND dlg, int id) {
    return static_cast<int>(SendMessageA(GetDlgItem(dlg, id), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         LVNI_SELECTED));
}

void Changed(HWND page) { PropSheet_Changed(GetParent(page), page); }

// Without an owner the sheet opens in the screen's corner; it has its final size only once the
// pages are in, so it is centred afterwards.
void CenterSheet(HWND sheet) {
    RECT r{};
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (!GetWindowRect(sheet, &r) || !GetMonitorInfoA(MonitorFromWindow(sheet, MONITOR_DEFAULTTOPRIMARY), &mi)) return;
    const RECT& area = mi.rcWork;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = area.left + (std::max(0L, (area.right - area.left) - w)) / 2;
    const int y = area.top + (std::max(0L, (area.bottom - area.top) - h)) / 2;
    SetWindowPos(sheet, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------- Run value and guide

std::string ProgramFolder() {
    std::string path = session ? session->exePath : "";
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ReadRunAtLogon(const char* exe) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(RunKeyPath).c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
        return false;
    wchar_t data[2 * MAX_PATH + 8] = {};
    DWORD size = sizeof data - sizeof data[0], type = 0;
    const LONG r = RegQueryValueExW(k, Wide(RunValueName).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                                    &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    const std::size_t units = std::min<std::size_t>(size / sizeof data[0], 2 * MAX_PATH + 7);
    return prefs::RunValueIsProgram(Utf8(data, wcsnlen(data, units)).c_str(), exe);
}

void ApplyRunKey(HWND owner) {
    prefs::Edit& edit = session->edit;
    const prefs::RunKeyAction action = prefs::DecideRunKey(edit);
    if (action == prefs::RunKeyAction::None) return;
    HKEY k = nullptr;
    LONG r = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(RunKeyPath).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                             &k, nullptr);
    if (r == ERROR_SUCCESS) {
        if (action == prefs::RunKeyAction::Write) {
            const std::wstring value = Wide(prefs::RunValueFor(session->exePath));
            r = RegSetValueExW(k, Wide(RunValueName).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        } else {
            r = RegDeleteValueW(k, Wide(RunValueName).c_str());
            if (r == ERROR_FILE_NOT_FOUND) r = ERROR_SUCCESS;
        }
        RegCloseKey(k);
    }
    if (r != ERROR_SUCCESS) {
        Warn(owner, "Parmena could not change its start-up entry in the registry.");
        return;
    }
    edit.runAtLogonStored = edit.runAtLogon;
}

void OpenGuide(HWND owner) {
    const std::string folder = ProgramFolder();
    const std::string path = folder + GuideName;
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (folder.empty() || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Warn(owner, "The user's guide was not found. It belongs beside the program:\n" + path);
        return;
    }
    HINSTANCE r = ShellExecuteW(owner, L"open", Wide(path).c_str(), nullptr, Wide(folder).c_str(), SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(r) <= 32)
        Warn(owner, "The user's guide could not be opened. No program is set up to show:\n" + path);
}

// The pager rebuilds its remembered windows from a list box: text = title, data = position.
void SendPositions(HWND owner) {
    HWND pager = reinterpret_cast<HWND>(session->record->pagerWindow);
    if (!pager || !IsWindow(pager)) return;
    HWND box = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD, 0, 0, 0, 0, owner, nullptr, module, nullptr);
    if (!box) {
        Warn(owner, "The remembered windows could not be handed to Parmena.");
        return;
    }
    for (const prefs::PositionEdit& p : session->edit.positions) {
        const std::wstring name = Wide(p.name);
        const LRESULT at = SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (at >= 0) SendMessageA(box, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(p.position));
    }
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(pager, MsgPositionList, 0, reinterpret_cast<LPARAM>(box), SMTO_NORMAL, 10000, &answer))
        Warn(owner, "Parmena did not answer; the remembered windows were not changed.");
    DestroyWindow(box);
}

// The program's save leaves the full size to the pager, which writes it only when the pager
// itself is resized; a size chosen here would be lost at the next start.
void SavePagerSize(HWND owner) {
    const Settings& shown = session->edit.original;
    const Settings& chosen = session->edit.record;
    if (chosen.xSize == shown.xSize && chosen.ySize == shown.ySize) return;
    HKEY k = nullptr;
    LONG r = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(PreferencesPath).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                             nullptr, &k, nullptr);
    if (r == ERROR_SUCCESS) {
        const DWORD x = static_cast<DWORD>(chosen.xSize), y = static_cast<DWORD>(chosen.ySize);
        r = RegSetValueExW(k, Wide(setting_name::xSize).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&x),
                           sizeof x);
        if (r == ERROR_SUCCESS)
            r = RegSetValueExW(k, Wide(setting_name::ySize).c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&y), sizeof y);
        RegCloseKey(k);
    }
    if (r != ERROR_SUCCESS) Warn(owner, "Parmena could not store the pager's full size in the registry.");
}

void CommitSession(HWND owner) {
    const bool positions = prefs::PositionsChanged(session->edit, *session->record);
    SavePagerSize(owner);
    prefs::Commit(session->edit, session->record, session->store);
    if (positions) SendPositions(owner);
    ApplyRunKey(owner);
}

// ---------------------------------------------------------------- entry dialogs

void Focus(HWND dlg, int id) {
    HWND c = GetDlgItem(dlg, id);
    SetFocus(c);
    SendMessageA(c, EM_SETSEL, 0, -1);
}

// The control that holds each field an entry dialog may refuse.
struct FieldControl {
    prefs::EntryField field;
    int control;
};

// One kind of entry dialog: init fills the controls for entry `index` (-1 adds); store hands
// what they hold to the library, which refuses a field or takes the entry.
struct EntryKind {
    void (*init)(HWND dlg, prefs::Edit& edit, int index);
    bool (*store)(HWND dlg, prefs::Edit& edit, int index, prefs::Refusal* refusal);
    FieldControl fields[3];  // the first is the one a refusal of any other field goes to
};

struct EntryDialog {
    const EntryKind* kind;
    int index;
};

INT_PTR CALLBACK EntryProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(dlg, DWLP_USER, lp);
        const auto* d = reinterpret_cast<const EntryDialog*>(lp);
        d->kind->init(dlg, session->edit, d->index);
        return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    }
    if (LOWORD(wp) != IDOK) return FALSE;
    const auto* d = reinterpret_cast<const EntryDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    prefs::Refusal refusal;
    if (d->kind->store(dlg, session->edit, d->index, &refusal)) {
        EndDialog(dlg, IDOK);
        return TRUE;
    }
    // The dialog stays open on the field refused.
    Warn(dlg, refusal.message);
    int control = d->kind->fields[0].control;
    for (const FieldControl& f : d->kind->fields)
        if (f.control && f.field == refusal.field) control = f.control;
    Focus(dlg, control);
    return TRUE;
}

void InitPosition(HWND dlg, prefs::Edit& edit, int index) {
    SendDlgItemMessageA(dlg, IDC_PE_NAME, EM_LIMITTEXT, prefs::MaxPatternLength + 1, 0);
    if (index >= 0) {
        const prefs::PositionEdit& p = edit.positions[static_cast<std::size_t>(index)];
        SetText(dlg, IDC_PE_NAME, p.name);
        SetNumber(dlg, IDC_PE_COLUMN, prefs::PositionColumn(p));
        SetNumber(dlg, IDC_PE_ROW, prefs::PositionRow(p));
        SetCheck(dlg, IDC_PE_KEEP, (p.position & KeepInPlace) != 0);
        SetCheck(dlg, IDC_PE_MINIMIZE, (p.position & MinimizeOnSwitch) != 0);
    } else {
        SetNumber(dlg, IDC_PE_COLUMN, 1);
        SetNumber(dlg, IDC_PE_ROW, 1);
    }
}

bool StorePosition(HWND dlg, prefs::Edit& edit, int index, prefs::Refusal* refusal) {
    return prefs::PutPosition(&edit, index, TextOf(dlg, IDC_PE_NAME), TextOf(dlg, IDC_PE_COLUMN),
                              TextOf(dlg, IDC_PE_ROW), Checked(dlg, IDC_PE_KEEP),
                              Checked(dlg, IDC_PE_MINIMIZE), refusal);
}

void InitShortcut(HWND dlg, prefs::Edit& edit, int index) {
    SendDlgItemMessageA(dlg, IDC_SE_NAME, EM_LIMITTEXT, prefs::MaxShortcutNameLength + 1, 0);
    SendDlgItemMessageA(dlg, IDC_SE_COMMAND, EM_LIMITTEXT, prefs::MaxShortcutTextLength + 1, 0);
    SendDlgItemMessageA(dlg, IDC_SE_DIRECTORY, EM_LIMITTEXT, prefs::MaxShortcutTextLength + 1, 0);
    std::int32_t show = 0;
    if (index >= 0) {
        const prefs::ShortcutEdit& s = edit.shortcuts[static_cast<std::size_t>(index)];
        SetText(dlg, IDC_SE_NAME, s.name);
        SetText(dlg, IDC_SE_COMMAND, s.command);
        SetText(dlg, IDC_SE_DIRECTORY, s.directory);
        show = s.show;
    }
    FillCombo(dlg, IDC_SE_SHOW, prefs::ShowChoices(), show);
}

bool StoreShortcut(HWND dlg, prefs::Edit& edit, int index, prefs::Refusal* refusal) {
    return prefs::PutShortcut(&edit, index, TextOf(dlg, IDC_SE_NAME), TextOf(dlg, IDC_SE_COMMAND),
                              TextOf(dlg, IDC_SE_DIRECTORY), ComboValue(dlg, IDC_SE_SHOW, 0), refusal);
}

void InitProgram(HWND dlg, prefs::Edit& edit, int index) {
    SendDlgItemMessageA(dlg, IDC_PR_NAME, EM_LIMITTEXT, prefs::MaxProgramNameLength + 1, 0);
    MiddleButtonEntry e{"", {-1, -1, -1, -1}, {-1, -1, -1, -1}, -1};
    if (index >= 0) e = edit.programs[static_cast<std::size_t>(index)];
    SetText(dlg, IDC_PR_NAME, prefs::EntryName(e));
    const auto clicks = prefs::ActionChoices(session->clicks, true);
    const auto drags = prefs::ActionChoices(session->drags, true);
    for (int j = 0; j < 4; ++j) {
        FillCombo(dlg, IDC_PR_CLICK0 + j, clicks, e.click[j]);
        FillCombo(dlg, IDC_PR_DRAG0 + j, drags, e.drag[j]);
    }
    FillCombo(dlg, IDC_PR_TRANSMIT, prefs::TransmitChoices(true), e.transmit);
}

bool StoreProgram(HWND dlg, prefs::Edit& edit, int index, prefs::Refusal* refusal) {
    std::int32_t click[4], drag[4];
    for (int j = 0; j < 4; ++j) {
        click[j] = ComboValue(dlg, IDC_PR_CLICK0 + j, prefs::UseDefault);
        drag[j] = ComboValue(dlg, IDC_PR_DRAG0 + j, prefs::UseDefault);
    }
    return prefs::PutProgram(&edit, index, TextOf(dlg, IDC_PR_NAME), click, drag,
                             ComboValue(dlg, IDC_PR_TRANSMIT, prefs::UseDefault), refusal);
}

const EntryKind PositionEntry{InitPosition, StorePosition,
                              {{prefs::EntryField::Name, IDC_PE_NAME},
                               {prefs::EntryField::Column, IDC_PE_COLUMN},
                               {prefs::EntryField::Row, IDC_PE_ROW}}};
const EntryKind ShortcutEntry{InitShortcut, StoreShortcut,
                              {{prefs::EntryField::Name, IDC_SE_NAME},
                               {prefs::EntryField::Command, IDC_SE_COMMAND},
                               {prefs::EntryField::Directory, IDC_SE_DIRECTORY}}};
const EntryKind ProgramEntry{InitProgram, StoreProgram, {{prefs::EntryField::Name, IDC_PR_NAME}}};

// Runs an entry dialog; true when the entry changed.
bool RunEntry(HWND page, int templ, const EntryKind& kind, int index) {
    EntryDialog d{&kind, index};
    return DialogBoxParamW(module, MAKEINTRESOURCEW(templ), page, EntryProc, reinterpret_cast<LPARAM>(&d)) == IDOK;
}

// ---------------------------------------------------------------- pages

void FillPositions(HWND dlg, int select) {
    std::vector<std::vector<std::string>> rows;
    for (const prefs::PositionEdit& p : session->edit.positions)
        rows.push_back({p.name, std::to_string(prefs::PositionColumn(p)), std::to_string(prefs::PositionRow(p)),
                        (p.position & KeepInPlace) ? "Yes" : "", (p.position & MinimizeOnSwitch) ? "Yes" : ""});
    SetRows(dlg, IDC_POS_LIST, rows, select);
}

std::string ShowName(std::int32_t show) {
    int index = 0;
    const auto choices = prefs::ChoicesFor(prefs::ShowChoices(), show, &index);
    return choices[static_cast<std::size_t>(index)].label;
}

void FillShortcuts(HWND dlg, int id, const std::vector<prefs::ShortcutEdit>& list, int select) {
    std::vector<std::vector<std::string>> rows;
    for (const prefs::ShortcutEdit& s : list) rows.push_back({s.name, s.command, s.directory, ShowName(s.show)});
    SetRows(dlg, id, rows, select);
}

void FillPrograms(HWND dlg, int select) {
    std::vector<std::vector<std::string>> rows;
    for (const MiddleButtonEntry& e : session->edit.programs) {
        int own = 0;
        for (int j = 0; j < 4; ++j) own += (e.click[j] != prefs::UseDefault) + (e.drag[j] != prefs::UseDefault);
        rows.push_back({prefs::EntryName(e), std::to_string(own) + " of 8",
                        e.transmit == prefs::UseDefault ? "Default" : e.transmit ? "Yes" : "No"});
    }
    SetRows(dlg, IDC_PROG_LIST, rows, select);
}

std::string FontText(const plat::LogFont& f) {
    std::string text(f.lfFaceName, BoundedLength(f.lfFaceName, sizeof f.lfFaceName));
    if (text.empty()) text = "(system font)";
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    if (f.lfHeight != 0) text += ", " + std::to_string(MulDiv(std::abs(f.lfHeight), 72, dpi > 0 ? dpi : 96)) + " pt";
    if (f.lfWeight >= FW_SEMIBOLD) text += ", bold";
    if (f.lfItalic) text += ", italic";
    return text;
}

void InitGeneral(HWND dlg) { SetCheck(dlg, IDC_RUN_AT_LOGON, session->edit.runAtLogon); }

bool StoreGeneral(HWND dlg, std::string*, int*) {
    session->edit.runAtLogon = Checked(dlg, IDC_RUN_AT_LOGON);
    return true;
}

bool CommandGeneral(HWND dlg, WORD id, WORD) {
    if (id != IDC_GUIDE) return false;
    OpenGuide(dlg);
    return true;
}

void InitGrid(HWND dlg, int edit, int spin, std::int32_t value) {
    SendDlgItemMessageA(dlg, spin, UDM_SETRANGE32, prefs::MinGrid, prefs::MaxGrid);
    if (value >= prefs::MinGrid && value <= prefs::MaxGrid) SendDlgItemMessageA(dlg, spin, UDM_SETPOS32, 0, value);
    // After the spin, which would show a stored value outside its range clamped.
    SetNumber(dlg, edit, value);
}

void InitDesktops(HWND dlg) {
    const Settings& r = session->edit.record;
    InitGrid(dlg, IDC_COLUMNS, IDC_COLUMNS_SPIN, r.xResolution);
    InitGrid(dlg, IDC_ROWS, IDC_ROWS_SPIN, r.yResolution);
    SetCheck(dlg, IDC_SWITCH_HOTKEYS, r.switchHotkeys);
    FillCombo(dlg, IDC_NAV_MODIFIERS, prefs::NavigationModifierChoices(), r.navigationModifiers);
    SetCheck(dlg, IDC_SWITCH_BORDERS, r.switchAtBorders);
    SetCheck(dlg, IDC_ONLY_BUTTON, r.onlyWhenButtonDown);
    SetCheck(dlg, IDC_FOLLOW_ACTIVE, r.followActive);
    SetCheck(dlg, IDC_TOPMOST, r.enableTopmost);
    SetCheck(dlg, IDC_RESCALE, r.rescaleOnExit);
    SetCheck(dlg, IDC_DISABLE_NAV, r.disableNavigation);
    EnableWindow(GetDlgItem(dlg, IDC_ONLY_BUTTON), Checked(dlg, IDC_SWITCH_BORDERS));
}

// A typed number of the record, in the range the settings table gives the dialog.
struct NumberField {
    int control;
    const char* label;
    std::size_t offset;  // offsetof(Settings, field)
};
const NumberField GridFields[2] = {{IDC_COLUMNS, "Columns", offsetof(Settings, xResolution)},
                                   {IDC_ROWS, "Rows", offsetof(Settings, yResolution)}};
const NumberField PagerSizeFields[2] = {{IDC_XSIZE, "Width", offsetof(Settings, xSize)},
                                        {IDC_YSIZE, "Height", offsetof(Settings, ySize)}};

// Both fields or neither: a refusal leaves the record as it was and names the control.
bool StoreNumbers(HWND dlg, const NumberField (&fields)[2], std::string* message, int* focus) {
    Settings& r = session->edit.record;
    std::int32_t values[2];
    for (int i = 0; i < 2; ++i) {
        const SettingInfo& s = SettingAt(fields[i].offset);
        if (!prefs::ParseNumber(TextOf(dlg, fields[i].control), fields[i].label, s.dialogMin, s.dialogMax,
                                SettingValue(r, s), &values[i], message)) {
            *focus = fields[i].control;
            return false;
        }
    }
    for (int i = 0; i < 2; ++i) SetSettingValue(r, SettingAt(fields[i].offset), values[i]);
    return true;
}

bool StoreDesktops(HWND dlg, std::string* message, int* focus) {
    Settings& r = session->edit.record;
    if (!StoreNumbers(dlg, GridFields, message, focus)) return false;
    StoreFlag(dlg, IDC_SWITCH_HOTKEYS, &r.switchHotkeys);
    r.navigationModifiers = ComboValue(dlg, IDC_NAV_MODIFIERS, r.navigationModifiers);
    StoreFlag(dlg, IDC_SWITCH_BORDERS, &r.switchAtBorders);
    StoreFlag(dlg, IDC_ONLY_BUTTON, &r.onlyWhenButtonDown);
    StoreFlag(dlg, IDC_FOLLOW_ACTIVE, &r.followActive);
    StoreFlag(dlg, IDC_TOPMOST, &r.enableTopmost);
    StoreFlag(dlg, IDC_RESCALE, &r.rescaleOnExit);
    StoreFlag(dlg, IDC_DISABLE_NAV, &r.disableNavigation);
    return true;
}

bool CommandDesktops(HWND dlg, WORD id, WORD code) {
    if (id == IDC_SWITCH_BORDERS)
        EnableWindow(GetDlgItem(dlg, IDC_ONLY_BUTTON), Checked(dlg, IDC_SWITCH_BORDERS));
    // Choosing keys means using them: after keys another program held, the box is clear.
    if (id == IDC_NAV_MODIFIERS && code == CBN_SELCHANGE) SetCheck(dlg, IDC_SWITCH_HOTKEYS, true);
    return false;
}

void InitPager(HWND dlg) {
    const Settings& r = session->edit.record;
    // Another stored corner checks no button and stays until one is chosen.
    if (r.corner >= 1 && r.corner <= 4) SetCheck(dlg, IDC_CORNER1 + r.corner - 1, true);
    SetNumber(dlg, IDC_XSIZE, r.xSize);
    SetNumber(dlg, IDC_YSIZE, r.ySize);
    SetCheck(dlg, IDC_MINIMIZE, r.collapsePager);
    SetCheck(dlg, IDC_HIDE_PM, r.hideProgramManager);
    SetText(dlg, IDC_FONT_NAME, FontText(r.font));
    for (int i = 0; i < 5; ++i) FillCombo(dlg, IDC_GESTURE0 + i, prefs::GestureChoices(), r.*GestureFields[i]);
}

bool StorePager(HWND dlg, std::string* message, int* focus) {
    Settings& r = session->edit.record;
    if (!StoreNumbers(dlg, PagerSizeFields, message, focus)) return false;
    for (int i = 0; i < 4; ++i)
        if (Checked(dlg, IDC_CORNER1 + i) && r.corner != i + 1) r.corner = i + 1;
    StoreFlag(dlg, IDC_MINIMIZE, &r.collapsePager);
    StoreFlag(dlg, IDC_HIDE_PM, &r.hideProgramManager);
    for (int i = 0; i < 5; ++i) r.*GestureFields[i] = ComboValue(dlg, IDC_GESTURE0 + i, r.*GestureFields[i]);
    return true;
}

bool CommandPager(HWND dlg, WORD id, WORD code) {
    Settings& r = session->edit.record;
    if (code != BN_CLICKED) return false;
    if (id >= IDC_COLOR0 && id < IDC_COLOR0 + 6) {
        const int i = id - IDC_COLOR0;
        static COLORREF custom[16];
        CHOOSECOLORA cc{};
        cc.lStructSize = sizeof cc;
        cc.hwndOwner = dlg;
        cc.rgbResult = r.*ColorFields[i];
        cc.lpCustColors = custom;
        cc.Flags = CC_RGBINIT | CC_FULLOPEN;
        if (ChooseColorA(&cc) && cc.rgbResult != r.*ColorFields[i]) {
            r.*ColorFields[i] = cc.rgbResult;
            if (session->swatches[i]) DeleteObject(session->swatches[i]);
            session->swatches[i] = nullptr;
            InvalidateRect(GetDlgItem(dlg, IDC_SWATCH0 + i), nullptr, TRUE);
            Changed(dlg);
        }
        return true;
    }
    if (id == IDC_FONT) {
        LOGFONTW wide{};
        std::memcpy(&wide, &r.font, offsetof(LOGFONTW, lfFaceName));
        const char* face = r.font.lfFaceName;
        Utf8ToUtf16(face, BoundedLength(face, sizeof r.font.lfFaceName), wide.lfFaceName, LF_FACESIZE);
        CHOOSEFONTW cf{};
        cf.lStructSize = sizeof cf;
        cf.hwndOwner = dlg;
        cf.lpLogFont = &wide;
        cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_NOVERTFONTS;
        plat::LogFont font;
        std::memset(&font, 0, sizeof font);
        bool chosen = ChooseFontW(&cf) != FALSE;
        if (chosen) {
            std::memcpy(&font, &wide, offsetof(LOGFONTW, lfFaceName));
            // The record's face field takes 31 bytes of UTF-8: a longer name is cut before a
            // character (and then names no font, so the system picks a similar one).
            Utf16ToUtf8(wide.lfFaceName, wcsnlen(wide.lfFaceName, LF_FACESIZE), font.lfFaceName,
                        sizeof font.lfFaceName);
        }
        if (chosen && std::memcmp(&font, &r.font, sizeof font) != 0) {
            std::memcpy(&r.font, &font, sizeof font);
            SetText(dlg, IDC_FONT_NAME, FontText(r.font));
            Changed(dlg);
        }
        return true;
    }
    return false;
}

void InitWindows(HWND dlg) {
    SetUpList(dlg, IDC_POS_LIST, {{"Window title", 180}, {"Column", 38}, {"Row", 28}, {"Kept", 28}, {"Minimize", 40}});
    FillPositions(dlg, 0);
    SetCheck(dlg, IDC_RESET_AT_START, session->edit.record.resetAtStart);
}

bool StoreWindows(HWND dlg, std::string*, int*) {
    StoreFlag(dlg, IDC_RESET_AT_START, &session->edit.record.resetAtStart);
    return true;
}

// The add, edit and remove buttons under an entry list: count() is the list's length, fill()
// redraws it with a row selected, drop() removes a row.
struct ListButtons {
    int list, add, edit, remove, templ;
    const EntryKind* kind;
    int (*count)();
    void (*fill)(HWND dlg, int row);
    void (*drop)(int row);
};
bool CommandList(HWND dlg, WORD id, WORD code, const ListButtons& b) {
    if (code != BN_CLICKED) return false;
    const int sel = SelectedRow(dlg, b.list);
    bool changed = true;
    if (id == b.add && RunEntry(dlg, b.templ, *b.kind, -1)) {
        b.fill(dlg, b.count() - 1);
    } else if (id == b.edit && sel >= 0 && RunEntry(dlg, b.templ, *b.kind, sel)) {
        b.fill(dlg, sel);
    } else if (id == b.remove && sel >= 0) {
        b.drop(sel);
        b.fill(dlg, sel < b.count() ? sel : sel - 1);
    } else {
        changed = false;
    }
    if (changed) Changed(dlg);
    return id == b.add || id == b.edit || id == b.remove;
}

const ListButtons PositionButtons{IDC_POS_LIST, IDC_POS_ADD, IDC_POS_EDIT, IDC_POS_REMOVE, IDD_POSITION,
                                  &PositionEntry, [] { return static_cast<int>(session->edit.positions.size()); },
                                  FillPositions, [](int row) { prefs::RemovePosition(&session->edit, row); }};

bool CommandWindows(HWND dlg, WORD id, WORD code) { return CommandList(dlg, id, code, PositionButtons); }

void InitCommand(HWND dlg) {
    const Settings& r = session->edit.record;
    SetCheck(dlg, IDC_DISABLE_SHELL, r.disableShell);
    HWND hotkey = GetDlgItem(dlg, IDC_HOTKEY);
    // A key alone would take that key from every program.
    SendMessageA(hotkey, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    session->shownHotkey = prefs::HotkeyWord(r.shellHotkeyModif, r.shellHotkeyKey);
    SendMessageA(hotkey, HKM_SETHOTKEY, session->shownHotkey, 0);
    const std::vector<std::pair<const char*, int>> columns = {
        {"Name", 60}, {"Command", 150}, {"Directory", 60}, {"Show", 40}};
    SetUpList(dlg, IDC_SC_LIST, columns);
    SetUpList(dlg, IDC_SC_MACHINE, columns);
    FillShortcuts(dlg, IDC_SC_LIST, session->edit.shortcuts, 0);
    FillShortcuts(dlg, IDC_SC_MACHINE, session->edit.machineShortcuts, -1);
}

bool StoreCommand(HWND dlg, std::string* message, int* focus) {
    Settings& r = session->edit.record;
    const WORD word = static_cast<WORD>(SendDlgItemMessageA(dlg, IDC_HOTKEY, HKM_GETHOTKEY, 0, 0) & ~(HOTKEYF_EXT << 8));
    if (!prefs::ParseHotkey(word, session->shownHotkey, &r.shellHotkeyModif, &r.shellHotkeyKey, message)) {
        *focus = IDC_HOTKEY;
        return false;
    }
    session->shownHotkey = word;
    StoreFlag(dlg, IDC_DISABLE_SHELL, &r.disableShell);
    return true;
}

const ListButtons ShortcutButtons{
    IDC_SC_LIST, IDC_SC_ADD, IDC_SC_EDIT, IDC_SC_REMOVE, IDD_SHORTCUT, &ShortcutEntry,
    [] { return static_cast<int>(session->edit.shortcuts.size()); },
    [](HWND dlg, int row) { FillShortcuts(dlg, IDC_SC_LIST, session->edit.shortcuts, row); },
    [](int row) { prefs::RemoveShortcutEdit(&session->edit, row); }};

bool CommandCommand(HWND dlg, WORD id, WORD code) { return CommandList(dlg, id, code, ShortcutButtons); }

void InitMiddle(HWND dlg) {
    const prefs::Edit& edit = session->edit;
    SetCheck(dlg, IDC_DISABLE_MIDDLE, edit.record.disableMiddleButton);
    const auto clicks = prefs::ActionChoices(session->clicks, false);
    const auto drags = prefs::ActionChoices(session->drags, false);
    for (int j = 0; j < 4; ++j) {
        FillCombo(dlg, IDC_DEF_CLICK0 + j, clicks, edit.defaultEntry.click[j]);
        FillCombo(dlg, IDC_DEF_DRAG0 + j, drags, edit.defaultEntry.drag[j]);
    }
    SetCheck(dlg, IDC_DEF_TRANSMIT, edit.defaultEntry.transmit);
    SetUpList(dlg, IDC_PROG_LIST, {{"Program", 200}, {"Own actions", 50}, {"Transmit", 40}});
    FillPrograms(dlg, 0);
    // Without the shared block there is nothing these would change.
    if (!edit.haveMiddleButton) {
        const int ids[] = {IDC_DEF_TRANSMIT, IDC_PROG_LIST, IDC_PROG_ADD, IDC_PROG_EDIT, IDC_PROG_REMOVE};
        for (int id : ids) EnableWindow(GetDlgItem(dlg, id), FALSE);
        for (int j = 0; j < 4; ++j) {
            EnableWindow(GetDlgItem(dlg, IDC_DEF_CLICK0 + j), FALSE);
            EnableWindow(GetDlgItem(dlg, IDC_DEF_DRAG0 + j), FALSE);
        }
    }
}

bool StoreMiddle(HWND dlg, std::string*, int*) {
    prefs::Edit& edit = session->edit;
    StoreFlag(dlg, IDC_DISABLE_MIDDLE, &edit.record.disableMiddleButton);
    if (!edit.haveMiddleButton) return true;
    for (int j = 0; j < 4; ++j) {
        edit.defaultEntry.click[j] = ComboValue(dlg, IDC_DEF_CLICK0 + j, edit.defaultEntry.click[j]);
        edit.defaultEntry.drag[j] = ComboValue(dlg, IDC_DEF_DRAG0 + j, edit.defaultEntry.drag[j]);
    }
    StoreFlag(dlg, IDC_DEF_TRANSMIT, &edit.defaultEntry.transmit);
    return true;
}

const ListButtons ProgramButtons{IDC_PROG_LIST, IDC_PROG_ADD, IDC_PROG_EDIT, IDC_PROG_REMOVE, IDD_PROGRAM,
                                 &ProgramEntry, [] { return static_cast<int>(session->edit.programs.size()); },
                                 FillPrograms, [](int row) { prefs::RemoveProgram(&session->edit, row); }};

bool CommandMiddle(HWND dlg, WORD id, WORD code) { return CommandList(dlg, id, code, ProgramButtons); }

struct PageOps {
    void (*init)(HWND);
    bool (*store)(HWND, std::string* message, int* focus);
    bool (*command)(HWND, WORD id, WORD code);  // true when handled
    int list;                                   // a double-click in it presses editButton
    int editButton;
};
const PageOps Pages[PageCount] = {
    {InitGeneral, StoreGeneral, CommandGeneral, 0, 0},
    {InitDesktops, StoreDesktops, CommandDesktops, 0, 0},
    {InitPager, StorePager, CommandPager, 0, 0},
    {InitWindows, StoreWindows, CommandWindows, IDC_POS_LIST, IDC_POS_EDIT},
    {InitCommand, StoreCommand, CommandCommand, IDC_SC_LIST, IDC_SC_EDIT},
    {InitMiddle, StoreMiddle, CommandMiddle, IDC_PROG_LIST, IDC_PROG_EDIT},
};

int PageIndex(HWND page) {
    const LONG_PTR index = GetWindowLongPtrA(page, DWLP_USER);
    return index >= 0 && index < PageCount ? static_cast<int>(index) : 0;
}

// Reads the page into the edit copy; refuses with a message naming the field.
bool StorePage(HWND page) {
    std::string message;
    int focus = 0;
    if (Pages[PageIndex(page)].store(page, &message, &focus)) return true;
    Warn(page, message);
    if (focus) Focus(page, focus);
    return false;
}

int LastCreatedPage() {
    int last = 0;
    for (int i = 0; i < PageCount; ++i)
        if (session->created[i]) last = i;
    return last;
}

LRESULT Result(HWND page, LONG_PTR value) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, value);
    return TRUE;
}

INT_PTR OnNotify(HWND page, const NMHDR* h, LPARAM lp) {
    const int index = PageIndex(page);
    switch (h->code) {
        case PSN_SETACTIVE:
            session->currentPage = index;
            return Result(page, 0);
        case PSN_KILLACTIVE:
            return Result(page, StorePage(page) ? FALSE : TRUE);
        case PSN_APPLY: {
            if (!StorePage(page)) return Result(page, PSNRET_INVALID);
            // Every created page has taken its controls in by the last one's turn.
            if (index == LastCreatedPage()) {
                CommitSession(page);
                if (reinterpret_cast<const PSHNOTIFY*>(lp)->lParam) {
                    session->result = PrefDialogApplied;
                } else {
                    session->result = PrefDialogApplyAndShowAgain;
                    reopenPage = session->currentPage;
                    PostMessageA(GetParent(page), WM_COMMAND, IDCANCEL, 0);
                }
            }
            return Result(page, PSNRET_NOERROR);
        }
        case NM_DBLCLK:
            // The machine-wide shortcuts are only shown: their list opens nothing.
            if (Pages[index].list && h->idFrom == static_cast<UINT_PTR>(Pages[index].list))
                Pages[index].command(page, static_cast<WORD>(Pages[index].editButton), BN_CLICKED);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK PageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            const LPARAM index = reinterpret_cast<const PROPSHEETPAGEA*>(lp)->lParam;
            SetWindowLongPtrA(page, DWLP_USER, index);
            bool first = true;
            for (bool c : session->created) first = first && !c;
            if (first) PostMessageA(page, MsgCenterSheet, 0, 0);
            session->created[PageIndex(page)] = true;
            session->filling = true;
            Pages[PageIndex(page)].init(page);
            session->filling = false;
            return TRUE;
        }
        case WM_COMMAND: {
            if (session->filling) break;
            const PageOps& ops = Pages[PageIndex(page)];
            if (ops.command && ops.command(page, LOWORD(wp), HIWORD(wp))) return TRUE;
            const WORD code = HIWORD(wp);
            if (code == EN_CHANGE || code == BN_CLICKED || code == CBN_SELCHANGE) Changed(page);
            break;
        }
        case MsgCenterSheet:
            CenterSheet(GetParent(page));
            return TRUE;
        case WM_SHOWWINDOW: {
            // Some dialog managers look for mnemonics inside hidden pages too; a page out of
            // sight is no control parent, so an Alt+letter reaches only the page in front.
            const LONG_PTR ex = GetWindowLongPtrA(page, GWL_EXSTYLE);
            SetWindowLongPtrA(page, GWL_EXSTYLE, wp ? (ex | WS_EX_CONTROLPARENT) : (ex & ~LONG_PTR{WS_EX_CONTROLPARENT}));
            break;
        }
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
            if (id < IDC_SWATCH0 || id >= IDC_SWATCH0 + 6) break;
            const int i = id - IDC_SWATCH0;
            HBRUSH& brush = session->swatches[i];
            if (!brush) brush = CreateSolidBrush(session->edit.record.*ColorFields[i]);
            return reinterpret_cast<INT_PTR>(brush);
        }
        case WM_NOTIFY:
            return OnNotify(page, reinterpret_cast<const NMHDR*>(lp), lp);
        default:
            break;
    }
    return FALSE;
}

int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM) {
    // The dialog thread has no window of its own in front.
    if (msg == PSCB_INITIALIZED) SetForegroundWindow(sheet);
    return 0;
}

// The hook library's action tables; its own copy of them when it gave none.
const MouseAction* ActionTable(DWORD_PTR value, const MouseAction* own) {
    return value ? reinterpret_cast<const MouseAction*>(value) : own;
}

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            // The executable that loaded us carries the program icon; without it the box simply
            // shows no picture.
            HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(PROGRAM_ICON));
            if (icon) SendDlgItemMessageA(dlg, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp));
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = inst;
        DisableThreadLibraryCalls(inst);
    }
    return TRUE;
}

extern "C" int WINAPI ShowPrefDlg(void* settingsRecord, DWORD_PTR clickFuncs, DWORD_PTR moveFuncs, int page,
                                  void* shortcuts) {
    if (!settingsRecord || session) return 0;
    Session s{};
    s.record = static_cast<Settings*>(settingsRecord);
    s.store = static_cast<ShortcutStore*>(shortcuts);
    s.clicks = ActionTable(clickFuncs, ClickActions);
    s.drags = ActionTable(moveFuncs, DragActions);
    wchar_t exe[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH + 1);
    // A cut path names another folder.
    if (n == 0 || n > MAX_PATH || Utf16ToUtf8(exe, n, nullptr, 0) >= sizeof s.exePath)
        s.exePath[0] = '\0';
    else
        Utf16ToUtf8(exe, n, s.exePath, sizeof s.exePath);
    prefs::BeginEdit(*s.record, s.store, ReadRunAtLogon(s.exePath), &s.edit);

    int start = reopenPage >= 0 ? reopenPage : page;
    reopenPage = -1;
    if (start < 0 || start >= PageCount) start = 0;

    // Visual styles for the sheet even when the program's own manifest does not ask for them.
    ACTCTXA ctx{};
    ctx.cbSize = sizeof ctx;
    ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.hModule = module;
    ctx.lpResourceName = MAKEINTRESOURCEA(2);
    HANDLE actCtx = CreateActCtxA(&ctx);
    ULONG_PTR cookie = 0;
    const bool activated = actCtx != INVALID_HANDLE_VALUE && ActivateActCtx(actCtx, &cookie);

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    PROPSHEETPAGEW pages[PageCount] = {};
    for (int i = 0; i < PageCount; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_DEFAULT;
        pages[i].hInstance = module;
        pages[i].pszTemplate = MAKEINTRESOURCEW(PageTemplates[i]);
        pages[i].pfnDlgProc = PageProc;
        pages[i].lParam = i;
    }
    const std::wstring caption = Wide(Caption);
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP | PSH_USECALLBACK;
    header.hInstance = module;
    header.pszCaption = caption.c_str();
    header.nPages = PageCount;
    header.nStartPage = static_cast<UINT>(start);
    header.ppsp = pages;
    header.pfnCallback = SheetCallback;

    session = &s;
    const INT_PTR shown = PropertySheetW(&header);
    session = nullptr;
    for (HBRUSH b : s.swatches)
        if (b) DeleteObject(b);
    if (activated) DeactivateActCtx(0, cookie);
    if (actCtx != INVALID_HANDLE_VALUE) ReleaseActCtx(actCtx);
    // A sheet that could not be created applied nothing.
    if (shown < 0) {
        reopenPage = -1;
        return PrefDialogCancelled;
    }
    if (s.result != PrefDialogApplyAndShowAgain) reopenPage = -1;
    return s.result;
}

extern "C" void WINAPI ShowAboutDlg(void*) {
    DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_ABOUT), nullptr, AboutProc, 0);
}
