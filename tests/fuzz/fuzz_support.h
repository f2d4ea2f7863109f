// Shared pieces of the libFuzzer targets: reading the input and a clean simulated world.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/hookblock.h"
#include "config/settings.h"
#include "config/shortcuts.h"
#include "core/desktop.h"
#include "platform/registry.h"
#include "platform/sim/sim.h"

namespace fuzz {

// Takes the input front to back; past its end every read gives zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return pos_ >= size_; }
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t Word() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return v;
    }
    // A length-prefixed run of bytes (one length byte, or two when it is 255).
    std::vector<std::uint8_t> Bytes() {
        std::size_t n = Byte();
        if (n == 255) n = Byte() | (static_cast<std::size_t>(Byte()) << 8);
        std::vector<std::uint8_t> out;
        while (n-- && pos_ < size_) out.push_back(data_[pos_++]);
        return out;
    }
    std::string Text() {
        std::vector<std::uint8_t> b = Bytes();
        return std::string(b.begin(), b.end());
    }
    std::string Rest() {
        std::string out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

constexpr const char* Root = "Software\\Orvanne\\Parmena";

inline std::string Key(const char* sub) { return std::string(Root) + "\\" + sub; }

// A value of any type and data, as another program or a damaged hive may leave it.
inline void PutValue(const std::string& path, const std::string& name, std::uint32_t type,
                     const std::vector<std::uint8_t>& data) {
    plat::Hkey k = nullptr;
    if (plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, path.c_str(), 0, "", 0,
                              plat::KEY_ALL_ACCESS, nullptr, &k, nullptr) != plat::ERROR_SUCCESS)
        return;
    plat::RegSetValueEx(k, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                         static_cast<std::uint32_t>(data.size()));
    plat::RegCloseKey(k);
}

inline std::uint32_t PickType(std::uint8_t b) {
    static const std::uint32_t types[] = {plat::REG_SZ,     plat::REG_DWORD, plat::REG_BINARY,
                                          plat::REG_EXPAND_SZ, plat::REG_NONE, 7};
    return types[b % (sizeof types / sizeof types[0])];
}

// Everything the product made is given back, and the simulated desktop starts empty.
inline void ResetWorld() {
    ReleaseHookBlock();
    ResetSettings();
    ResetDesktopState();
    sim::Reset();
}

inline bool Terminated(const char* field, std::size_t size) {
    return std::memchr(field, 0, size) != nullptr;
}

// A broken invariant is a finding: abort so that libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                              \
    do {                                                                              \
        if (!(cond)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

}  // namespace fuzz
