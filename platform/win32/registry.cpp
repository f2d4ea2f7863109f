// Registry operations: each forwards to the advapi32 call of the same name.
#include "platform/win32/win.h"

using w32::As;

namespace {

// The plat counters are uint32_t, Win32's are DWORD (unsigned long): distinct types of the
// same size, so each in/out count travels through a local DWORD rather than a cast pointer.
struct DwordArg {
    explicit DwordArg(std::uint32_t* p) : out(p), value(p ? *p : 0) {}
    ~DwordArg() {
        if (out) *out = value;
    }
    DwordArg(const DwordArg&) = delete;
    DwordArg& operator=(const DwordArg&) = delete;
    DWORD* get() { return out ? &value : nullptr; }

    std::uint32_t* out;
    DWORD value;
};

}  // namespace

namespace plat {

long RegCreateKeyExA(Hkey parent, const char* subKey, std::uint32_t reserved, const char* cls,
                     std::uint32_t options, std::uint32_t sam, void* security, Hkey* result,
                     std::uint32_t* disposition) {
    HKEY key = nullptr;
    DwordArg disp(disposition);
    // lpClass is only read, though Win32 declares it non-const.
    long rc = ::RegCreateKeyExA(As<HKEY>(parent), subKey, reserved, const_cast<char*>(cls),
                                options, sam, static_cast<LPSECURITY_ATTRIBUTES>(security),
                                result ? &key : nullptr, disp.get());
    if (result) *result = As<Hkey>(key);
    return rc;
}

long RegOpenKeyExA(Hkey parent, const char* subKey, std::uint32_t options, std::uint32_t sam,
                   Hkey* result) {
    HKEY key = nullptr;
    long rc = ::RegOpenKeyExA(As<HKEY>(parent), subKey, options, sam, result ? &key : nullptr);
    if (result) *result = As<Hkey>(key);
    return rc;
}

long RegCloseKey(Hkey key) { return ::RegCloseKey(As<HKEY>(key)); }

long RegQueryValueExA(Hkey key, const char* name, std::uint32_t* reserved, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* cbData) {
    DwordArg res(reserved), t(type), cb(cbData);
    return ::RegQueryValueExA(As<HKEY>(key), name, res.get(), t.get(), data, cb.get());
}

long RegSetValueExA(Hkey key, const char* name, std::uint32_t reserved, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t cbData) {
    return ::RegSetValueExA(As<HKEY>(key), name, reserved, type, data, cbData);
}

long RegDeleteValueA(Hkey key, const char* name) {
    return ::RegDeleteValueA(As<HKEY>(key), name);
}

long RegEnumValueA(Hkey key, std::uint32_t index, char* name, std::uint32_t* cchName,
                   std::uint32_t* reserved, std::uint32_t* type, std::uint8_t* data,
                   std::uint32_t* cbData) {
    DwordArg cch(cchName), res(reserved), t(type), cb(cbData);
    return ::RegEnumValueA(As<HKEY>(key), index, name, cch.get(), res.get(), t.get(), data,
                           cb.get());
}

}  // namespace plat
