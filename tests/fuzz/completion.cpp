// The command edit field's completion and history input: typed text, files on disk and key
// presses in any order keep the shown text within its buffers.
#include "launcher/command_window.h"
#include "launcher/line_edit.h"
#include "platform/window.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    fuzz::ResetWorld();
    const int files = in.Byte() % 8;
    for (int i = 0; i < files; ++i) {
        const std::string f = in.Text();
        if (!f.empty() && f.find('\0') == std::string::npos) sim::AddFile(f);
    }
    FUZZ_CHECK(CreateCommandWindow(nullptr));
    const plat::Hwnd edit = plat::GetDlgItem(CommandWindow, CommandEditId);
    FUZZ_CHECK(edit != nullptr);
    const std::string first = in.Text();
    plat::SetWindowText(edit, first.c_str());
    while (!in.Empty()) {
        const std::uint8_t op = in.Byte();
        switch (op % 6) {
            case 0:
            case 1:
                sim::SetKeyDown(plat::VK_SHIFT, op & 0x80);
                plat::SendMessage(edit, plat::WM_CHAR, '\t', 0);
                break;
            case 2: plat::SendMessage(edit, plat::WM_KEYDOWN, (op & 0x80) ? plat::VK_UP : plat::VK_DOWN, 0); break;
            case 3: plat::SendMessage(edit, plat::WM_CHAR, '\r', 0); break;
            case 4: plat::SendMessage(edit, plat::WM_CHAR, static_cast<plat::WParam>(in.Byte()), 0); break;
            default: {
                const std::string t = in.Text();
                plat::SetWindowText(edit, t.c_str());
                plat::SendMessage(edit, plat::EM_SETSEL, in.Byte(), in.Byte());
                break;
            }
        }
        char shown[4096] = "";
        const int n = plat::GetWindowText(edit, shown, sizeof shown);
        FUZZ_CHECK(n >= 0 && n < static_cast<int>(sizeof shown));
    }
    DestroyCommandWindow();
    FreeCommandHistory();
    fuzz::ResetWorld();
    return 0;
}
