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

// ---- UTF-8 ----
// Text in memory is UTF-8. Lengths count bytes; a text cut to fit a buffer is cut before a
// character, never inside its sequence.

constexpr bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The longest prefix of text[0, length) of at most limit bytes that ends on a character
// boundary. Bytes that belong to no valid sequence count as characters of their own.
inline std::size_t Utf8CutLength(const char* text, std::size_t length, std::size_t limit) {
    if (length <= limit) return length;
    std::size_t n = limit;
    // A sequence is at most four bytes: at most three continuation bytes to step back over.
    for (int back = 0; back < 3 && n > 0 && IsUtf8Continuation(text[n]); ++back) --n;
    if (IsUtf8Continuation(text[n])) return limit;  // a run of stray bytes: any cut is clean
    const unsigned char lead = static_cast<unsigned char>(text[n]);
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    // The lead byte's sequence is cut only when it really extends past the limit.
    return n + need > limit ? n : limit;
}

// Copies src into dst (size bytes, terminator included), cut on a character boundary.
// Returns the length copied. Nothing is written when size is 0.
inline std::size_t CopyUtf8(char* dst, std::size_t size, const char* src, std::size_t srcLength) {
    if (!dst || size == 0) return 0;
    const std::size_t n = src ? Utf8CutLength(src, srcLength, size - 1) : 0;
    if (n) std::memmove(dst, src, n);
    dst[n] = '\0';
    return n;
}
inline std::size_t CopyUtf8(char* dst, std::size_t size, const char* src) {
    return CopyUtf8(dst, size, src, src ? std::strlen(src) : 0);
}

// Cuts a zero-terminated text in place to at most limit bytes.
inline void CutUtf8(char* text, std::size_t limit) {
    const std::size_t length = std::strlen(text);
    text[Utf8CutLength(text, length, limit)] = '\0';
}

// ---- UTF-8 <-> UTF-16, for the Windows boundary ----
// Header only and free of Win32 so the host tests and the fuzz target reach it. Unit is
// wchar_t on Windows, char16_t on the host. Malformed input (a lone surrogate, a stray or
// overlong byte, a code point beyond U+10FFFF) becomes U+FFFD, so every text converts.

constexpr char32_t ReplacementCharacter = 0xFFFD;

// Decodes the character at text[i] (i < length); returns its code point and advances i.
inline char32_t DecodeUtf8(const char* text, std::size_t length, std::size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int more;
    char32_t cp, min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, cp = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        return ReplacementCharacter;
    }
    for (int k = 0; k < more; ++k) {
        // A broken sequence is replaced as far as it went; the byte that broke it starts anew.
        if (i >= length || !IsUtf8Continuation(text[i])) return ReplacementCharacter;
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return ReplacementCharacter;
    return cp;
}

// Decodes the character at text[i] (i < length); returns its code point and advances i.
template <class Unit>
char32_t DecodeUtf16(const Unit* text, std::size_t length, std::size_t& i) {
    const char32_t u = static_cast<char16_t>(text[i++]);
    if (u < 0xD800 || u > 0xDFFF) return u;
    if (u >= 0xDC00 || i >= length) return ReplacementCharacter;
    const char32_t low = static_cast<char16_t>(text[i]);
    if (low < 0xDC00 || low > 0xDFFF) return ReplacementCharacter;
    ++i;
    return 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
}

inline std::size_t Utf8Length(char32_t cp) {
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

// Converts src[0, length) to UTF-8 in dst (size bytes; null to measure). Stops before the
// first character that would not fit with the terminator, which is always written when size
// is not 0. Returns the bytes written (or needed, when dst is null), terminator excluded.
template <class Unit>
std::size_t Utf16ToUtf8(const Unit* src, std::size_t length, char* dst, std::size_t size) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < length;) {
        const char32_t cp = DecodeUtf16(src, length, i);
        const std::size_t n = Utf8Length(cp);
        if (dst) {
            if (out + n >= size) break;
            char* p = dst + out;
            if (n == 1) {
                p[0] = static_cast<char>(cp);
            } else {
                char32_t rest = cp;
                for (std::size_t k = n - 1; k > 0; --k, rest >>= 6)
                    p[k] = static_cast<char>(0x80 | (rest & 0x3F));
                p[0] = static_cast<char>((n == 2 ? 0xC0 : n == 3 ? 0xE0 : 0xF0) | rest);
            }
        }
        out += n;
    }
    if (dst && size) dst[out] = '\0';
    return out;
}

// Converts src[0, length) to UTF-16 in dst (size units; null to measure), with the same
// rules as Utf16ToUtf8: whole characters only, terminated when size is not 0.
template <class Unit>
std::size_t Utf8ToUtf16(const char* src, std::size_t length, Unit* dst, std::size_t size) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < length;) {
        const char32_t cp = DecodeUtf8(src, length, i);
        const std::size_t n = cp >= 0x10000 ? 2 : 1;
        if (dst) {
            if (out + n >= size) break;
            if (n == 1) {
                dst[out] = static_cast<Unit>(cp);
            } else {
                dst[out] = static_cast<Unit>(0xD800 + ((cp - 0x10000) >> 10));
                dst[out + 1] = static_cast<Unit>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            }
        }
        out += n;
    }
    if (dst && size) dst[out] = 0;
    return out;
}
