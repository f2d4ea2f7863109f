// Byte-text rules every layer shares, header only so that the two libraries can use them too.
#pragma once
#include <cstddef>
#include <cstring>

// Only the 26 capital ASCII letters fold: names then compare the same under every code page.
constexpr char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The first n bytes of a and b are equal after folding. Stops at the first difference, so a
// zero-terminated text shorter than n is not read past its terminator.
inline bool SameFoldedAscii(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// Two zero-terminated texts are equal after folding.
inline bool EqualFoldedAscii(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (FoldAscii(*a) != FoldAscii(*b)) return false;
    return *a == *b;
}

// Length of a fixed text field that may lack its terminating zero: at most size.
inline std::size_t BoundedLength(const char* text, std::size_t size) {
    const void* end = std::memchr(text, 0, size);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : size;
}
