// Files that belong to the program (its libraries, its help) are looked for beside the
// executable, never on the search path. Kept free of Win32 so the host tests can check it.
#pragma once
#include <cstddef>
#include <cstring>

namespace plat {

// Writes the folder of exePath (through its last '\' or '/') followed by fileName into
// out. Returns false, leaving out empty, when exePath names no folder or the result
// (with its terminator) does not fit in outSize bytes.
inline bool CompanionPath(const char* exePath, const char* fileName, char* out,
                          std::size_t outSize) {
    if (!out || outSize == 0) return false;
    out[0] = '\0';
    if (!exePath || !fileName) return false;
    const char* slash = std::strrchr(exePath, '\\');
    const char* other = std::strrchr(exePath, '/');
    if (!slash || (other && other > slash)) slash = other;
    if (!slash) return false;
    std::size_t dirLen = static_cast<std::size_t>(slash - exePath) + 1;
    std::size_t nameLen = std::strlen(fileName);
    if (nameLen == 0 || dirLen + nameLen >= outSize) return false;
    std::memcpy(out, exePath, dirLen);
    std::memcpy(out + dirLen, fileName, nameLen + 1);
    return true;
}

}  // namespace plat
