// A recursive lock for the stand-in host. mingw's default thread model has no std::mutex, so
// Windows builds use the system's critical section, which is recursive too.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

class RecursiveLock {
public:
#ifdef _WIN32
    RecursiveLock() { InitializeCriticalSection(&section_); }
    ~RecursiveLock() { DeleteCriticalSection(&section_); }
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }
#else
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
#endif
    RecursiveLock(const RecursiveLock &) = delete;
    RecursiveLock &operator=(const RecursiveLock &) = delete;
#ifndef _WIN32
    RecursiveLock() = default;
#endif

private:
#ifdef _WIN32
    CRITICAL_SECTION section_;
#else
    std::recursive_mutex mutex_;
#endif
};

// Holds a lock for the rest of a scope.
class Held {
public:
    explicit Held(RecursiveLock &lock) : lock_(lock) { lock_.lock(); }
    ~Held() { lock_.unlock(); }
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;

private:
    RecursiveLock &lock_;
};
