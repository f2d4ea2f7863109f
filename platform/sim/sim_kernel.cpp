// Kernel objects: real threads, events, mutexes, named shared memory, waits, file search
// over a list of fake files, and environment expansion.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/kernel.h"
#include "platform/window.h"
#include "platform/sim/sim_internal.h"

namespace simi {

namespace {

// Outlives sim::Reset so that threads of one test can be waited for before the next, and
// is never destroyed, so threads still running at exit end with the process.
std::vector<ThreadRecord>& Threads() {
    static auto* threads = new std::vector<ThreadRecord>();
    return *threads;
}

void ThreadExit(std::uint32_t tid, const std::shared_ptr<KObject>& obj, std::uint32_t code) {
    Lock lk(Mu());
    EndThread(tid);
    obj->done = true;
    obj->exitCode = code;
    Cv().notify_all();
}

std::shared_ptr<KObject> Object(Handle h) {
    auto it = S().handles.find(Id(h));
    return it == S().handles.end() ? nullptr : it->second;
}

Handle AddHandle(const std::shared_ptr<KObject>& o) {
    std::uintptr_t h = NewHandle();
    S().handles[h] = o;
    return As<Handle>(h);
}

// Looks a name up in the one namespace shared by events, mutexes and mappings.
std::shared_ptr<KObject> Named(const char* name) {
    if (!name || !*name) return nullptr;
    auto it = S().named.find(name);
    if (it == S().named.end()) return nullptr;
    auto o = it->second.lock();
    if (!o) S().named.erase(it);
    return o;
}

// Returns a handle to the existing object of that name, or null with *clash when it is of
// another type; sets the last error as Win32 does.
Handle OpenExisting(const char* name, KType type, bool* clash) {
    *clash = false;
    auto o = Named(name);
    if (!o) return nullptr;
    if (o->type != type) {
        *clash = true;
        SetError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    SetError(ERROR_ALREADY_EXISTS);
    return AddHandle(o);
}

bool Signalled(const KObject& o, std::uint32_t me) {
    switch (o.type) {
        case KType::Thread: return o.done;
        case KType::Event: return o.signalled;
        case KType::Mutex: return o.owner == 0 || o.owner == me;
        default: return false;
    }
}

// Takes the object; returns true when it was an abandoned mutex.
bool Acquire(KObject& o, std::uint32_t me) {
    if (o.type == KType::Event && !o.manual) o.signalled = false;
    if (o.type == KType::Mutex) {
        o.owner = me;
        ++o.recursion;
        bool abandoned = o.abandoned;
        o.abandoned = false;
        return abandoned;
    }
    return false;
}

bool WildMatch(const char* p, const char* s) {
    for (; *p; ++p, ++s) {
        if (*p == '*') {
            for (;; ++s) {
                if (WildMatch(p + 1, s)) return true;
                if (!*s) return false;
            }
        }
        if (!*s) return false;
        if (*p != '?' && Lower(std::string(1, *p)) != Lower(std::string(1, *s))) return false;
    }
    return *s == 0;
}

void Fill(Win32FindData* d, const std::string& name, bool folder) {
    std::memset(d, 0, sizeof(*d));
    d->dwFileAttributes = folder ? FILE_ATTRIBUTE_DIRECTORY : 0x20u;  // archive
    std::size_t n = std::min(name.size(), sizeof(d->cFileName) - 1);
    std::memcpy(d->cFileName, name.data(), n);
}

}  // namespace

void EndThread(std::uint32_t tid) {
    Lock lk(Mu());
    auto q = S().queues.find(tid);
    if (q != S().queues.end()) {
        for (auto& sm : q->second.sent) sm->done = true;  // senders stop waiting
        S().queues.erase(q);
    }
    // Its windows go with it, silently, as at the end of a process.
    std::vector<std::uintptr_t> owned;
    for (auto& [id, w] : S().windows) {
        if (w.product && w.thread == tid && !w.child) owned.push_back(id);
    }
    for (std::uintptr_t id : owned) ForgetWindow(id);
    for (auto& [h, o] : S().handles) {
        if (o->type == KType::Mutex && o->owner == tid) {
            o->owner = 0;
            o->recursion = 0;
            o->abandoned = true;
        }
    }
    Cv().notify_all();
}

void StopThreads() {
    std::vector<ThreadRecord> threads;
    {
        Lock lk(Mu());
        threads.swap(Threads());
        for (ThreadRecord& t : threads) {
            if (!t.obj->done) EnsureQueue(t.obj->threadId).posted.push_back(Msg{nullptr, WM_QUIT, 0, 0, 0, {0, 0}});
        }
        Cv().notify_all();
        Cv().wait_for(lk, std::chrono::seconds(2), [&] {
            return std::all_of(threads.begin(), threads.end(), [](const ThreadRecord& t) { return t.obj->done; });
        });
    }
    for (ThreadRecord& t : threads) {
        // A thread that would not stop is left behind rather than hanging every later test.
        if (t.obj->done)
            t.thread.join();
        else
            t.thread.detach();
    }
}

}  // namespace simi

using namespace simi;

namespace plat {

Handle CreateThread(void*, std::size_t, ThreadProc proc, void* arg, std::uint32_t, std::uint32_t* threadId) {
    Lock lk(Mu());
    if (Failing(sim::Call::CreateThread) || !proc) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto obj = std::make_shared<KObject>();
    obj->type = KType::Thread;
    obj->threadId = AllocateThreadId();
    Handle h = AddHandle(obj);
    if (threadId) *threadId = obj->threadId;
    std::uint32_t tid = obj->threadId;
    ThreadRecord rec;
    rec.obj = obj;
    rec.thread = std::thread([proc, arg, tid, obj] {
        SetThreadIdForNewThread(tid);
        std::uint32_t code = proc(arg);
        ThreadExit(tid, obj, code);
    });
    Threads().push_back(std::move(rec));
    return h;
}

std::uint32_t WaitForSingleObject(Handle h, std::uint32_t ms) { return WaitForMultipleObjects(1, &h, 0, ms); }

namespace {

// The common wait; with QS_SENDMESSAGE in wakeMask a message sent to this thread by another
// ends the wait as WAIT_OBJECT_0 + n, as MsgWaitForMultipleObjects does.
std::uint32_t WaitObjects(std::uint32_t n, const Handle* hs, Bool all, std::uint32_t ms, std::uint32_t wakeMask) {
    // Only a message wait may name no object.
    if (n > 64 || (n && !hs) || (n == 0 && !(wakeMask & QS_SENDMESSAGE))) {
        SetError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    Lock lk(Mu());
    std::vector<std::shared_ptr<KObject>> objs;
    for (std::uint32_t i = 0; i < n; ++i) {
        auto o = Object(hs[i]);
        if (!o || o->type == KType::Mapping || o->type == KType::Find) {
            SetError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objs.push_back(o);
    }
    std::uint32_t me = CurrentThread();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms == INFINITE ? 0 : ms);
    for (;;) {
        if (n > 0 && all) {
            bool ready = std::all_of(objs.begin(), objs.end(), [&](const auto& o) { return Signalled(*o, me); });
            if (ready) {
                bool abandoned = false;
                for (auto& o : objs) abandoned = Acquire(*o, me) || abandoned;
                return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
            }
        } else {
            for (std::uint32_t i = 0; i < n; ++i) {
                if (Signalled(*objs[i], me)) return (Acquire(*objs[i], me) ? WAIT_ABANDONED : WAIT_OBJECT_0) + i;
            }
        }
        if (wakeMask & QS_SENDMESSAGE) {
            auto q = S().queues.find(me);
            if (q != S().queues.end() && (!q->second.sent.empty() ||
                                          (!q->second.callbacks.empty() && !q->second.callbacksHeld)))
                return WAIT_OBJECT_0 + n;
        }
        if (ms != INFINITE && std::chrono::steady_clock::now() >= deadline) {
            // A message wait that ran out costs the simulated clock all of its time.
            if (wakeMask & QS_SENDMESSAGE) S().clockMs += ms;
            return WAIT_TIMEOUT;
        }
        if (ms == INFINITE)
            Cv().wait(lk);
        else
            Cv().wait_until(lk, deadline);
    }
}

}  // namespace

std::uint32_t WaitForMultipleObjects(std::uint32_t n, const Handle* hs, Bool all, std::uint32_t ms) {
    return WaitObjects(n, hs, all, ms, 0);
}

std::uint32_t MsgWaitForMultipleObjects(std::uint32_t n, const Handle* hs, Bool all, std::uint32_t ms,
                                        std::uint32_t wakeMask) {
    return WaitObjects(n, hs, all, ms, wakeMask);
}

Handle CreateEvent(void*, Bool manualReset, Bool initial, const char* name) {
    if (Failing(sim::Call::CreateEvent)) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Lock lk(Mu());
    bool clash;
    if (Handle h = OpenExisting(name, KType::Event, &clash)) return h;
    if (clash) return nullptr;
    auto o = std::make_shared<KObject>();
    o->type = KType::Event;
    o->manual = manualReset != 0;
    o->signalled = initial != 0;
    if (name && *name) {
        o->name = name;
        S().named[name] = o;
    }
    SetError(0);
    return AddHandle(o);
}

Bool SetEvent(Handle h) {
    Lock lk(Mu());
    auto o = Object(h);
    if (!o || o->type != KType::Event) {
        SetError(ERROR_INVALID_HANDLE);
        return 0;
    }
    o->signalled = true;
    Cv().notify_all();
    return 1;
}

Bool CloseHandle(Handle h) {
    Lock lk(Mu());
    auto it = S().handles.find(Id(h));
    if (it == S().handles.end() || it->second->type == KType::Find) {
        SetError(ERROR_INVALID_HANDLE);
        return 0;
    }
    S().handles.erase(it);
    return 1;
}

Handle CreateFileMapping(Handle file, void*, std::uint32_t, std::uint32_t sizeHigh, std::uint32_t sizeLow,
                          const char* name) {
    Lock lk(Mu());
    if (Failing(sim::Call::CreateFileMapping)) {
        SetError(FailureError(sim::Call::CreateFileMapping, ERROR_ACCESS_DENIED_W));
        return nullptr;
    }
    bool clash;
    if (Handle h = OpenExisting(name, KType::Mapping, &clash)) return h;
    if (clash) return nullptr;
    // Only memory-backed mappings of a sane size exist here.
    if (file != INVALID_HANDLE_VALUE || sizeHigh != 0 || sizeLow == 0 || sizeLow > (64u << 20)) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto o = std::make_shared<KObject>();
    o->type = KType::Mapping;
    o->size = sizeLow;
    o->memory.reset(new std::uint8_t[sizeLow]());
    if (name && *name) {
        o->name = name;
        S().named[name] = o;
    }
    SetError(0);
    return AddHandle(o);
}

void* MapViewOfFile(Handle mapping, std::uint32_t, std::uint32_t offHigh, std::uint32_t offLow, std::size_t bytes) {
    Lock lk(Mu());
    auto o = Object(mapping);
    if (Failing(sim::Call::MapViewOfFile) || !o || o->type != KType::Mapping) {
        SetError(o ? ERROR_ACCESS_DENIED_W : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (offHigh != 0 || offLow >= o->size || bytes > o->size - offLow) {
        SetError(ERROR_ACCESS_DENIED_W);
        return nullptr;
    }
    void* p = o->memory.get() + offLow;
    S().views.emplace(p, o);
    return p;
}

Bool UnmapViewOfFile(const void* view) {
    Lock lk(Mu());
    auto it = S().views.find(view);
    if (it == S().views.end()) {
        SetError(487);  // ERROR_INVALID_ADDRESS
        return 0;
    }
    S().views.erase(it);
    return 1;
}

Handle CreateMutex(void*, Bool initialOwner, const char* name) {
    Lock lk(Mu());
    if (Failing(sim::Call::CreateMutex)) {
        SetError(ERROR_ACCESS_DENIED_W);
        return nullptr;
    }
    bool clash;
    if (Handle h = OpenExisting(name, KType::Mutex, &clash)) return h;
    if (clash) return nullptr;
    auto o = std::make_shared<KObject>();
    o->type = KType::Mutex;
    if (initialOwner) {
        o->owner = CurrentThread();
        o->recursion = 1;
    }
    if (name && *name) {
        o->name = name;
        S().named[name] = o;
    }
    SetError(0);
    return AddHandle(o);
}

Bool ReleaseMutex(Handle h) {
    Lock lk(Mu());
    auto o = Object(h);
    if (!o || o->type != KType::Mutex) {
        SetError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (o->owner != CurrentThread()) {
        SetError(ERROR_NOT_OWNER);
        return 0;
    }
    if (--o->recursion == 0) o->owner = 0;
    Cv().notify_all();
    return 1;
}

Handle FindFirstFile(const char* pattern, Win32FindData* data) {
    if (Failing(sim::Call::FindFirstFile)) {
        SetError(ERROR_ACCESS_DENIED_W);
        return INVALID_HANDLE_VALUE;
    }
    if (!pattern || !data) {
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    Lock lk(Mu());
    std::string pat = pattern;
    std::size_t slash = pat.rfind('\\');
    std::string dir = slash == std::string::npos ? "" : pat.substr(0, slash + 1);
    std::string mask = slash == std::string::npos ? pat : pat.substr(slash + 1);
    auto o = std::make_shared<KObject>();
    o->type = KType::Find;
    std::set<std::string> seen;
    bool dirKnown = false;
    std::vector<std::pair<std::string, bool>> entries;
    for (const std::string& f : S().files) {
        if (!dir.empty() && EqualNoCase(f, dir)) dirKnown = true;
        if (f.size() <= dir.size() || !EqualNoCase(f.substr(0, dir.size()), dir)) continue;
        dirKnown = true;
        std::string rest = f.substr(dir.size());
        std::size_t cut = rest.find('\\');
        bool folder = cut != std::string::npos;
        std::string name = folder ? rest.substr(0, cut) : rest;
        if (name.empty() || !seen.insert(Lower(name)).second) continue;
        entries.push_back({name, folder});
    }
    // Every folder but a drive's root lists itself and its parent first.
    bool root = dir.empty() || (dir.size() == 3 && dir[1] == ':');
    if (dirKnown && !root) {
        entries.insert(entries.begin(), {{".", true}, {"..", true}});
    }
    for (const auto& [name, folder] : entries) {
        if (!WildMatch(mask.c_str(), name.c_str())) continue;
        Win32FindData d;
        Fill(&d, name, folder);
        o->found.push_back(d);
    }
    if (o->found.empty()) {
        SetError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = o->found[0];
    o->next = 1;
    return AddHandle(o);
}

Bool FindNextFile(Handle h, Win32FindData* data) {
    Lock lk(Mu());
    auto o = Object(h);
    if (!o || o->type != KType::Find || !data) {
        SetError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (o->next >= o->found.size()) {
        SetError(18);  // ERROR_NO_MORE_FILES
        return 0;
    }
    *data = o->found[o->next++];
    return 1;
}

Bool FindClose(Handle h) {
    Lock lk(Mu());
    auto it = S().handles.find(Id(h));
    if (it == S().handles.end() || it->second->type != KType::Find) {
        SetError(ERROR_INVALID_HANDLE);
        return 0;
    }
    S().handles.erase(it);
    return 1;
}

ExceptionFilter SetUnhandledExceptionFilter(ExceptionFilter filter) {
    Lock lk(Mu());
    ExceptionFilter old = S().exceptionFilter;
    S().exceptionFilter = filter;
    return old;
}

// As since Vista: a path too long for the buffer is cut, terminated, and the full size returned.
std::uint32_t GetModuleFileName(Hinstance, char* path, std::uint32_t size) {
    Lock lk(Mu());
    if (!path || size == 0) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::string& p = S().programPath;
    if (p.size() >= size) {
        std::memcpy(path, p.data(), size - 1);
        path[size - 1] = '\0';
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(path, p.c_str(), p.size() + 1);
    return static_cast<std::uint32_t>(p.size());
}

std::uint32_t GetFileAttributes(const char* path) {
    Lock lk(Mu());
    if (!path) return INVALID_FILE_ATTRIBUTES;
    const std::string want = path;
    for (const std::string& f : S().files) {
        const bool folder = !f.empty() && f.back() == '\\';
        if (EqualNoCase(folder ? f.substr(0, f.size() - 1) : f, want))
            return folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    }
    SetError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
}

std::uint32_t ExpandEnvironmentStrings(const char* src, char* dst, std::uint32_t size) {
    if (!src) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string out;
    {
        Lock lk(Mu());
        for (const char* p = src; *p;) {
            const char* end = *p == '%' ? std::strchr(p + 1, '%') : nullptr;
            if (end && end > p + 1) {
                auto it = S().env.find(Lower(std::string(p + 1, end)));
                if (it != S().env.end()) {
                    out += it->second;
                    p = end + 1;
                    continue;
                }
            }
            out += *p++;
        }
    }
    std::uint32_t needed = static_cast<std::uint32_t>(out.size() + 1);
    if (dst && size >= needed) std::memcpy(dst, out.c_str(), needed);
    return needed;
}

}  // namespace plat

namespace sim {

void SetEnv(const std::string& name, const std::string& value) {
    Lock lk(Mu());
    S().env[Lower(name)] = value;
}

void AddFile(const std::string& path) {
    Lock lk(Mu());
    S().files.push_back(path);
}

plat::ExceptionFilter UnhandledExceptionFilter() {
    Lock lk(Mu());
    return S().exceptionFilter;
}

void SetProgramPath(const std::string& path) {
    Lock lk(Mu());
    S().programPath = path;
}

void HoldNamedMutex(const std::string& name, bool hold) {
    Lock lk(Mu());
    auto o = Named(name.c_str());
    if (hold) {
        if (!o) {
            o = std::make_shared<KObject>();
            o->type = KType::Mutex;
            o->name = name;
            S().named[name] = o;
        }
        if (o->type != KType::Mutex) return;
        S().externalHolds[name] = o;
        // The other process waits its turn like any owner would.
        Cv().wait_for(lk, std::chrono::seconds(5), [&] { return o->owner == 0 || o->owner == kExternalOwner; });
        if (o->owner == 0) {
            o->owner = kExternalOwner;
            o->recursion = 1;
        }
        return;
    }
    if (o && o->owner == kExternalOwner) {
        o->owner = 0;
        o->recursion = 0;
    }
    S().externalHolds.erase(name);
    Cv().notify_all();
}

}  // namespace sim
