// Kernel operations: each forwards to the kernel32 call of the same name.
#include "platform/win32/win.h"

using w32::As;
using w32::AsProc;

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
Handle CreateEventA(void* security, Bool manualReset, Bool initial, const char* name) {
    return As<Handle>(::CreateEventA(static_cast<LPSECURITY_ATTRIBUTES>(security), manualReset,
                                     initial, name));
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
void Sleep(std::uint32_t ms) { ::Sleep(ms); }

Handle CreateFileMappingA(Handle file, void* security, std::uint32_t protect,
                          std::uint32_t sizeHigh, std::uint32_t sizeLow, const char* name) {
    return As<Handle>(::CreateFileMappingA(As<HANDLE>(file),
                                           static_cast<LPSECURITY_ATTRIBUTES>(security), protect,
                                           sizeHigh, sizeLow, name));
}
void* MapViewOfFile(Handle mapping, std::uint32_t access, std::uint32_t offHigh,
                    std::uint32_t offLow, std::size_t bytes) {
    return ::MapViewOfFile(As<HANDLE>(mapping), access, offHigh, offLow, bytes);
}
Bool UnmapViewOfFile(const void* view) { return ::UnmapViewOfFile(view); }
Handle CreateMutexA(void* security, Bool initialOwner, const char* name) {
    return As<Handle>(
        ::CreateMutexA(static_cast<LPSECURITY_ATTRIBUTES>(security), initialOwner, name));
}
Bool ReleaseMutex(Handle h) { return ::ReleaseMutex(As<HANDLE>(h)); }
std::uint32_t GetLastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t code) { ::SetLastError(code); }

std::uint32_t GetModuleFileNameA(Hinstance module, char* path, std::uint32_t size) {
    return ::GetModuleFileNameA(As<HMODULE>(module), path, size);
}

std::uint32_t GetFileAttributesA(const char* path) { return ::GetFileAttributesA(path); }

Handle FindFirstFileA(const char* pattern, Win32FindDataA* data) {
    return As<Handle>(::FindFirstFileA(pattern, reinterpret_cast<WIN32_FIND_DATAA*>(data)));
}
Bool FindNextFileA(Handle h, Win32FindDataA* data) {
    return ::FindNextFileA(As<HANDLE>(h), reinterpret_cast<WIN32_FIND_DATAA*>(data));
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

std::uint32_t ExpandEnvironmentStringsA(const char* src, char* dst, std::uint32_t size) {
    return ::ExpandEnvironmentStringsA(src, dst, size);
}

}  // namespace plat
