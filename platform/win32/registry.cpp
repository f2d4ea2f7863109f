// Registry operations: each forwards to the wide form of the advapi32 call of its name.
#include "platform/win32/win.h"

#include <cstring>
#include <string>

using w32::As;
using w32::Wide;

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

// Texts travel as UTF-16 underneath: REG_SZ data written by the ANSI calls of an older build
// is stored as UTF-16 too, and reads back here as the same text in UTF-8.
bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Hands wide text data (cb bytes) to the caller as UTF-8 through data/cbData, with the rules
// of RegQueryValueEx: ERROR_MORE_DATA and the needed size when the buffer is too small.
long GiveText(const std::wstring& wide, DWORD cb, std::uint8_t* data, std::uint32_t* cbData) {
    const std::size_t units = cb / sizeof(wchar_t);
    const std::size_t needed = Utf16ToUtf8(wide.data(), units, nullptr, 0);
    if (!cbData) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    const std::uint32_t room = *cbData;
    *cbData = static_cast<std::uint32_t>(needed);
    if (!data) return ERROR_SUCCESS;
    if (needed > room) return ERROR_MORE_DATA;
    // The data may hold zeros of its own (REG_MULTI_SZ): convert into a scratch buffer with
    // room for the converter's terminator, then copy exactly the converted bytes.
    std::string utf8(needed + 1, '\0');
    Utf16ToUtf8(wide.data(), units, &utf8[0], utf8.size());
    std::memcpy(data, utf8.data(), needed);
    return ERROR_SUCCESS;
}

}  // namespace

namespace plat {

long RegCreateKeyEx(Hkey parent, const char* subKey, std::uint32_t reserved, const char* cls,
                     std::uint32_t options, std::uint32_t sam, void* security, Hkey* result,
                     std::uint32_t* disposition) {
    HKEY key = nullptr;
    DwordArg disp(disposition);
    const Wide wideClass(cls);
    // lpClass is only read, though Win32 declares it non-const.
    long rc = ::RegCreateKeyExW(As<HKEY>(parent), Wide(subKey).get(), reserved,
                                const_cast<wchar_t*>(wideClass.get()), options, sam,
                                static_cast<LPSECURITY_ATTRIBUTES>(security),
                                result ? &key : nullptr, disp.get());
    if (result) *result = As<Hkey>(key);
    return rc;
}

long RegOpenKeyEx(Hkey parent, const char* subKey, std::uint32_t options, std::uint32_t sam,
                   Hkey* result) {
    HKEY key = nullptr;
    long rc = ::RegOpenKeyExW(As<HKEY>(parent), Wide(subKey).get(), options, sam,
                              result ? &key : nullptr);
    if (result) *result = As<Hkey>(key);
    return rc;
}

long RegCloseKey(Hkey key) { return ::RegCloseKey(As<HKEY>(key)); }

long RegQueryValueEx(Hkey key, const char* name, std::uint32_t* reserved, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* cbData) {
    if (reserved) return ERROR_INVALID_PARAMETER;
    const Wide wideName(name);
    DWORD kind = REG_NONE, cb = 0;
    long rc = ::RegQueryValueExW(As<HKEY>(key), wideName.get(), nullptr, &kind, nullptr, &cb);
    if (rc != ERROR_SUCCESS) return rc;
    if (type) *type = kind;
    if (!IsTextType(kind)) {
        DwordArg size(cbData);
        return ::RegQueryValueExW(As<HKEY>(key), wideName.get(), nullptr, nullptr, data,
                                  size.get());
    }
    // Read whole, converted, then measured against the caller's buffer. The value may grow
    // between the two reads: asked again with the size the last answer named.
    std::wstring wide;
    for (int attempt = 0; attempt < 4; ++attempt) {
        wide.assign(cb / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
        rc = ::RegQueryValueExW(As<HKEY>(key), wideName.get(), nullptr, &kind,
                                reinterpret_cast<BYTE*>(&wide[0]), &got);
        if (rc == ERROR_MORE_DATA) {
            cb = got;
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        if (type) *type = kind;
        if (!IsTextType(kind)) return ERROR_MORE_DATA;  // replaced meanwhile: ask again
        return GiveText(wide, got, data, cbData);
    }
    return rc;
}

long RegSetValueEx(Hkey key, const char* name, std::uint32_t reserved, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t cbData) {
    const Wide wideName(name);
    if (!IsTextType(type) || !data)
        return ::RegSetValueExW(As<HKEY>(key), wideName.get(), reserved, type, data, cbData);
    // Every byte given is converted, the terminating zero included when it was counted.
    const char* text = reinterpret_cast<const char*>(data);
    std::wstring wide(Utf8ToUtf16<wchar_t>(text, cbData, nullptr, 0) + 1, L'\0');
    const std::size_t units = Utf8ToUtf16(text, cbData, &wide[0], wide.size());
    return ::RegSetValueExW(As<HKEY>(key), wideName.get(), reserved, type,
                            reinterpret_cast<const BYTE*>(wide.data()),
                            static_cast<DWORD>(units * sizeof(wchar_t)));
}

long RegDeleteValue(Hkey key, const char* name) {
    return ::RegDeleteValueW(As<HKEY>(key), Wide(name).get());
}

long RegEnumValue(Hkey key, std::uint32_t index, char* name, std::uint32_t* cchName,
                   std::uint32_t* reserved, std::uint32_t* type, std::uint8_t* data,
                   std::uint32_t* cbData) {
    if (reserved || !name || !cchName || *cchName == 0) return ERROR_INVALID_PARAMETER;
    // A name that fits in cchName bytes of UTF-8 fits in as many UTF-16 units, and text data
    // that fits in cbData bytes of UTF-8 fits in twice as many bytes of UTF-16.
    std::wstring wideName(*cchName, L'\0');
    DWORD nameUnits = *cchName;
    const std::uint32_t room = cbData ? *cbData : 0;
    std::wstring wideData(data ? room + 1 : 1, L'\0');
    DWORD kind = REG_NONE;
    DWORD got = data ? static_cast<DWORD>(wideData.size() * sizeof(wchar_t)) : 0;
    long rc = ::RegEnumValueW(As<HKEY>(key), index, &wideName[0], &nameUnits, nullptr, &kind,
                              data ? reinterpret_cast<BYTE*>(&wideData[0]) : nullptr,
                              cbData ? &got : nullptr);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
    const std::size_t nameBytes = Utf16ToUtf8(wideName.data(), nameUnits, nullptr, 0);
    if (rc == ERROR_MORE_DATA || nameBytes >= *cchName) return ERROR_MORE_DATA;
    Utf16ToUtf8(wideName.data(), nameUnits, name, *cchName);
    *cchName = static_cast<std::uint32_t>(nameBytes);
    if (type) *type = kind;
    if (!cbData) return ERROR_SUCCESS;
    if (!IsTextType(kind)) {
        *cbData = got;
        if (!data) return ERROR_SUCCESS;
        if (got > room) return ERROR_MORE_DATA;
        std::memcpy(data, wideData.data(), got);
        return ERROR_SUCCESS;
    }
    return GiveText(wideData, got, data, cbData);
}

}  // namespace plat
