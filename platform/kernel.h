// Kernel operations the product uses, under their Win32 names; names and paths are UTF-8.
#pragma once
#include "platform/types.h"

namespace plat {

Handle CreateThread(void* security, std::size_t stack, ThreadProc proc, void* arg,
                    std::uint32_t flags, std::uint32_t* threadId);
std::uint32_t GetCurrentThreadId();
std::uint32_t GetCurrentProcessId();
std::uint32_t WaitForSingleObject(Handle h, std::uint32_t ms);
std::uint32_t WaitForMultipleObjects(std::uint32_t n, const Handle* hs, Bool all,
                                     std::uint32_t ms);
Handle CreateEvent(void* security, Bool manualReset, Bool initial, const char* name);
Bool SetEvent(Handle h);
Bool CloseHandle(Handle h);
// Another process, to wait for its end (access SYNCHRONIZE); null when it cannot be opened.
Handle OpenProcess(std::uint32_t access, Bool inherit, std::uint32_t processId);
void Sleep(std::uint32_t ms);
Bool QueryPerformanceCounter(std::int64_t* count);
Bool QueryPerformanceFrequency(std::int64_t* perSecond);

Handle CreateFileMapping(Handle file, void* security, std::uint32_t protect,
                          std::uint32_t sizeHigh, std::uint32_t sizeLow, const char* name);
void* MapViewOfFile(Handle mapping, std::uint32_t access, std::uint32_t offHigh,
                    std::uint32_t offLow, std::size_t bytes);
Bool UnmapViewOfFile(const void* view);
Handle CreateMutex(void* security, Bool initialOwner, const char* name);
Bool ReleaseMutex(Handle h);
std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

Handle FindFirstFile(const char* pattern, Win32FindData* data);
Bool FindNextFile(Handle h, Win32FindData* data);
Bool FindClose(Handle h);
std::uint32_t ExpandEnvironmentStrings(const char* src, char* dst, std::uint32_t size);
// Only the program's own path (module null) is asked for.
std::uint32_t GetModuleFileName(Hinstance module, char* path, std::uint32_t size);
std::uint32_t GetFileAttributes(const char* path);
ExceptionFilter SetUnhandledExceptionFilter(ExceptionFilter filter);

}  // namespace plat
