// Registry operations the product uses, under their Win32 names. Names and REG_SZ data are
// UTF-8; sizes count bytes of UTF-8.
#pragma once
#include "platform/types.h"

namespace plat {

long RegCreateKeyEx(Hkey parent, const char* subKey, std::uint32_t reserved, const char* cls,
                     std::uint32_t options, std::uint32_t sam, void* security, Hkey* result,
                     std::uint32_t* disposition);
long RegOpenKeyEx(Hkey parent, const char* subKey, std::uint32_t options, std::uint32_t sam,
                   Hkey* result);
long RegCloseKey(Hkey key);
long RegQueryValueEx(Hkey key, const char* name, std::uint32_t* reserved, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* cbData);
long RegSetValueEx(Hkey key, const char* name, std::uint32_t reserved, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t cbData);
long RegDeleteValue(Hkey key, const char* name);
long RegEnumValue(Hkey key, std::uint32_t index, char* name, std::uint32_t* cchName,
                   std::uint32_t* reserved, std::uint32_t* type, std::uint8_t* data,
                   std::uint32_t* cbData);

}  // namespace plat
