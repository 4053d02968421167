// Which mutex guards what, said so that clang's -Wthread-safety can check it.
// The rule for every type that says nothing: it is used by one thread at a time.
#pragma once

#include <mutex>

#if defined(__clang__)
#define TAVIK_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define TAVIK_THREAD_ATTRIBUTE(x)
#endif

#define TAVIK_CAPABILITY(x) TAVIK_THREAD_ATTRIBUTE(capability(x))
#define TAVIK_SCOPED_CAPABILITY TAVIK_THREAD_ATTRIBUTE(scoped_lockable)
#define TAVIK_GUARDED_BY(x) TAVIK_THREAD_ATTRIBUTE(guarded_by(x))
#define TAVIK_REQUIRES(...) TAVIK_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define TAVIK_ACQUIRE(...) TAVIK_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define TAVIK_RELEASE(...) TAVIK_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define TAVIK_EXCLUDES(...) TAVIK_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define TAVIK_NO_THREAD_SAFETY_ANALYSIS TAVIK_THREAD_ATTRIBUTE(no_thread_safety_analysis)

namespace tavik {

// std::mutex as the analysis knows it. BasicLockable, so that a
// std::condition_variable_any can wait on a MutexLock.
class TAVIK_CAPABILITY("mutex") Mutex {
public:
    void lock() TAVIK_ACQUIRE() { mutex_.lock(); }
    void unlock() TAVIK_RELEASE() { mutex_.unlock(); }

private:
    std::mutex mutex_;
};

class TAVIK_SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) TAVIK_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() TAVIK_RELEASE() { mutex_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    // For a condition variable's wait, which unlocks and locks again inside: the
    // lock holds the mutex again when the wait returns, as the analysis assumes.
    void lock() TAVIK_NO_THREAD_SAFETY_ANALYSIS { mutex_.lock(); }
    void unlock() TAVIK_NO_THREAD_SAFETY_ANALYSIS { mutex_.unlock(); }

private:
    Mutex& mutex_;
};

}  // namespace tavik
