// A shortcut's command line and directory with environment references, and the typed text:
// splitting and expansion stay within their buffers, and an expanded path with spaces stays
// one file.
#include "launcher/command_window.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Without '%' and '"', and without spaces when asked: text the splitter treats literally.
std::string Plain(std::string s, bool spaces) {
    std::string out;
    for (char c : s)
        if (c != '%' && c != '"' && c != '\0' && (spaces || c != ' ')) out += c;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    fuzz::ResetWorld();
    FreeShortcuts();
    const std::string path = Plain(in.Text(), true);
    const std::string suffix = Plain(in.Text(), false);
    sim::SetEnv("P", path);
    sim::SetEnv("Q", in.Text());
    AddShortcut("p", ("%P%" + suffix).c_str(), "%Q%", in.Byte(), 0, nullptr);
    const std::string command = in.Text();
    const std::string directory = in.Text();
    AddShortcut("s", command.c_str(), directory.c_str(), static_cast<int>(in.Word()), 0, nullptr);
    const std::string typed = in.Rest();

    static CommandRun run;
    for (const char* text : {typed.c_str(), "p", "s"}) {
        std::memset(&run, 0x55, sizeof run);
        if (!PrepareCommand(text, &run)) continue;
        FUZZ_CHECK(fuzz::Terminated(run.file, sizeof run.file));
        FUZZ_CHECK(!run.hasParams || fuzz::Terminated(run.params, sizeof run.params));
        FUZZ_CHECK(!run.hasDirectory || fuzz::Terminated(run.directory, sizeof run.directory));
    }
    // A variable's value with spaces is one file however many spaces it holds. The node keeps
    // at most 511 bytes of the command, cut before a character (the suffix is any bytes).
    const std::size_t room = sizeof(Shortcut::command) - 1 - 3;
    const std::string kept = suffix.substr(0, Utf8CutLength(suffix.c_str(), suffix.size(), room));
    if (!path.empty() && PrepareCommand("p", &run)) {
        FUZZ_CHECK(std::string(run.file) == path + kept);
        FUZZ_CHECK(!run.hasParams);
    }

    std::vector<char> line(typed.begin(), typed.end());
    line.push_back('\0');
    const char* params = SplitFileAndParameters(line.data());
    FUZZ_CHECK(std::strchr(line.data(), '"') == nullptr);
    if (params) FUZZ_CHECK(params > line.data() && params <= line.data() + line.size() - 1);
    FreeShortcuts();
    fuzz::ResetWorld();
    return 0;
}
