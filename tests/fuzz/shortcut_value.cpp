// The "Shortcuts" values: whatever a value holds loads into bounded nodes, and what is saved
// from them loads back the same.
#include "tests/fuzz/fuzz_support.h"

namespace {

struct Node {
    std::string name, command, directory;
    int show;
};

std::vector<Node> Nodes() {
    std::vector<Node> out;
    for (const Shortcut* n = shortcutStore.head; n; n = n->next) {
        FUZZ_CHECK(fuzz::Terminated(n->name, sizeof n->name));
        FUZZ_CHECK(fuzz::Terminated(n->command, sizeof n->command));
        FUZZ_CHECK(fuzz::Terminated(n->directory, sizeof n->directory));
        FUZZ_CHECK(n->show >= 0 && n->show <= 9);
        out.push_back({n->name, n->command, n->directory, n->show});
    }
    return out;
}

bool Same(const std::vector<Node>& a, const std::vector<Node>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].command != b[i].command || a[i].directory != b[i].directory ||
            a[i].show != b[i].show)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    fuzz::ResetWorld();
    const std::string path = fuzz::Key("Shortcuts");
    while (!in.Empty()) {
        std::string name = in.Text();
        const std::uint32_t type = (in.Byte() & 7) == 0 ? fuzz::PickType(in.Byte()) : plat::REG_SZ;
        const std::vector<std::uint8_t> value = in.Bytes();
        fuzz::PutValue(path, name, type, value);
    }
    plat::Hkey key = CreateSettingsKey("Shortcuts", nullptr);
    LoadShortcuts(key, 0);
    const std::vector<Node> loaded = Nodes();

    // Saving writes the stored form again; names that differ only in case share one value.
    for (Shortcut* n = shortcutStore.head; n; n = n->next) SaveShortcut(n);
    FreeShortcuts();
    LoadShortcuts(key, 0);
    const std::vector<Node> reloaded = Nodes();
    if (sim::MessageBoxes().empty()) FUZZ_CHECK(Same(loaded, reloaded));
    if (key) plat::RegCloseKey(key);
    FreeShortcuts();
    fuzz::ResetWorld();
    return 0;
}
