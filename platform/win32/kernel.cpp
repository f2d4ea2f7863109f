// Kernel operations: each forwards to the kernel32 call of its name, texts through the wide
// forms (file names and the environment hold any character).
#include "platform/win32/win.h"

#include <cstring>
#include <cwchar>
#include <string>

using w32::As;
using w32::AsProc;
using w32::Wide;

namespace {

void GiveFound(const WIN32_FIND_DATAW& wide, plat::Win32FindData* data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = wide.dwFileAttributes;
    std::memcpy(data->ftCreationTime, &wide.ftCreationTime, sizeof data->ftCreationTime);
    std::memcpy(data->ftLastAccessTime, &wide.ftLastAccessTime, sizeof data->ftLastAccessTime);
    std::memcpy(data->ftLastWriteTime, &wide.ftLastWriteTime, sizeof data->ftLastWriteTime);
    data->nFileSizeHigh = wide.nFileSizeHigh;
    data->nFileSizeLow = wide.nFileSizeLow;
    w32::ToUtf8(wide.cFileName, wcsnlen(wide.cFileName, MAX_PATH), data->cFileName,
                sizeof data->cFileName);
    w32::ToUtf8(wide.cAlternateFileName, wcsnlen(wide.cAlternateFileName, 14),
                data->cAlternateFileName, sizeof data->cAlternateFileName);
}

}  // namespace

namespace plat {

Handle CreateThread(void* security, std::size_t stack, ThreadProc proc, void* arg,
                    std::uint32_t flags, std::uint32_t* threadId) {
    DWORD id = 0;
    HANDLE h = ::CreateThread(static_cast<LPSECURITY_ATTRIBUTES>(security), stack,
                              AsProc<LPTHREAD_START_ROUTINE>(proc), arg, flags, &id);
    if (threadId) *threadId = id;
    return As<Handle>(h);
}
std::uint32_t GetCurrentThreadId() { return ::GetCurrentThreadId(); }
std::uint32_t GetCurrentProcessId() { return ::GetCurrentProcessId(); }
std::uint32_t WaitForSingleObject(Handle h, std::uint32_t ms) {
    return ::WaitForSingleObject(As<HANDLE>(h), ms);
}
std::uint32_t WaitForMultipleObjects(std::uint32_t n, const Handle* hs, Bool all,
                                     std::uint32_t ms) {
    static_assert(sizeof(Handle) == sizeof(HANDLE), "handle arrays must match");
    return ::WaitForMultipleObjects(n, reinterpret_cast<const HANDLE*>(hs), all, ms);
}
Handle CreateEvent(void* security, Bool manualReset, Bool initial, const char* name) {
    return As<Handle>(::CreateEventW(static_cast<LPSECURITY_ATTRIBUTES>(security), manualReset,
                                     initial, Wide(name).get()));
}
Bool SetEvent(Handle h) { return ::SetEvent(As<HANDLE>(h)); }
Bool QueryPerformanceCounter(std::int64_t* count) {
    LARGE_INTEGER v{};
    const Bool ok = ::QueryPerformanceCounter(&v);
    if (count) *count = v.QuadPart;
    return ok;
}
Bool QueryPerformanceFrequency(std::int64_t* perSecond) {
    LARGE_INTEGER v{};
    const Bool ok = ::QueryPerformanceFrequency(&v);
    if (perSecond) *perSecond = v.QuadPart;
    return ok;
}
Bool CloseHandle(Handle h) { return ::CloseHandle(As<HANDLE>(h)); }
Handle OpenProcess(std::uint32_t access, Bool inherit, std::uint32_t processId) {
    return As<Handle>(::OpenProcess(access, inherit, processId));
}
void Sleep(std::uint32_t ms) { ::Sleep(ms); }

Handle CreateFileMapping(Handle file, void* security, std::uint32_t protect,
                          std::uint32_t sizeHigh, std::uint32_t sizeLow, const char* name) {
    return As<Handle>(::CreateFileMappingW(As<HANDLE>(file),
                                           static_cast<LPSECURITY_ATTRIBUTES>(security), protect,
                                           sizeHigh, sizeLow, Wide(name).get()));
}
void* MapViewOfFile(Handle mapping, std::uint32_t access, std::uint32_t offHigh,
                    std::uint32_t offLow, std::size_t bytes) {
    return ::MapViewOfFile(As<HANDLE>(mapping), access, offHigh, offLow, bytes);
}
Bool UnmapViewOfFile(const void* view) { return ::UnmapViewOfFile(view); }
Handle CreateMutex(void* security, Bool initialOwner, const char* name) {
    return As<Handle>(
        ::CreateMutexW(static_cast<LPSECURITY_ATTRIBUTES>(security), initialOwner, Wide(name).get()));
}
Bool ReleaseMutex(Handle h) { return ::ReleaseMutex(As<HANDLE>(h)); }
std::uint32_t GetLastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t code) { ::SetLastError(code); }

// As GetModuleFileName: a path that does not fit comes back cut, as size bytes with no room
// to spare, so the caller can tell.
std::uint32_t GetModuleFileName(Hinstance module, char* path, std::uint32_t size) {
    if (!path || size == 0) return 0;
    std::wstring wide(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(As<HMODULE>(module), &wide[0],
                                         static_cast<DWORD>(wide.size()));
    if (n == 0 || n >= wide.size()) return 0;
    const std::size_t needed = Utf16ToUtf8(wide.data(), n, nullptr, 0);
    const int got = w32::ToUtf8(wide.data(), n, path, static_cast<int>(size));
    return needed >= size ? size : static_cast<std::uint32_t>(got);
}

std::uint32_t GetFileAttributes(const char* path) {
    return ::GetFileAttributesW(Wide(path).get());
}

Handle FindFirstFile(const char* pattern, Win32FindData* data) {
    WIN32_FIND_DATAW wide{};
    HANDLE h = ::FindFirstFileW(Wide(pattern).get(), &wide);
    if (h != INVALID_HANDLE_VALUE && data) GiveFound(wide, data);
    return As<Handle>(h);
}
Bool FindNextFile(Handle h, Win32FindData* data) {
    WIN32_FIND_DATAW wide{};
    if (!::FindNextFileW(As<HANDLE>(h), &wide)) return FALSE;
    if (data) GiveFound(wide, data);
    return TRUE;
}
Bool FindClose(Handle h) { return ::FindClose(As<HANDLE>(h)); }
namespace {
ExceptionFilter productFilter = nullptr;
LONG WINAPI ForwardException(EXCEPTION_POINTERS* info) { return productFilter(info); }
}  // namespace

// One product filter at a time; the system's previous filter is not chained.
ExceptionFilter SetUnhandledExceptionFilter(ExceptionFilter filter) {
    ExceptionFilter old = productFilter;
    productFilter = filter;
    ::SetUnhandledExceptionFilter(filter ? ForwardException : nullptr);
    return old;
}

// As the ANSI form: the size needed, terminator included, in bytes of UTF-8; the text is
// written only when it fits whole.
std::uint32_t ExpandEnvironmentStrings(const char* src, char* dst, std::uint32_t size) {
    const Wide source(src);
    const DWORD units = ::ExpandEnvironmentStringsW(source.get(), nullptr, 0);
    if (units == 0) return 0;
    std::wstring wide(units, L'\0');
    const DWORD got = ::ExpandEnvironmentStringsW(source.get(), &wide[0], units);
    if (got == 0 || got > units) return 0;
    const std::size_t length = wcsnlen(wide.c_str(), got);
    const std::size_t needed = Utf16ToUtf8(wide.data(), length, nullptr, 0) + 1;
    if (dst && needed <= size) Utf16ToUtf8(wide.data(), length, dst, size);
    return static_cast<std::uint32_t>(needed);
}

}  // namespace plat
