#include "rt_probe.h"

#include <cstdlib>
#include <dlfcn.h>
#include <new>
#include <pthread.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CORVANE_PROBE_C_CALLS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                       \
    __has_feature(memory_sanitizer)
#define CORVANE_PROBE_C_CALLS 0
#endif
#endif
#ifndef CORVANE_PROBE_C_CALLS
#define CORVANE_PROBE_C_CALLS 1
#endif

namespace {

// Plain thread-locals with constant initialisers: reading them never allocates.
thread_local int t_active = 0;
thread_local long t_allocations = 0;
thread_local long t_locks = 0;

inline void note_allocation() {
    if (t_active > 0) ++t_allocations;
}

} // namespace

namespace corvane::test {

RealtimeProbe::RealtimeProbe() {
    t_allocations = 0;
    t_locks = 0;
    ++t_active;
}

RealtimeProbe::~RealtimeProbe() { --t_active; }

long RealtimeProbe::allocations() const { return t_allocations; }
long RealtimeProbe::locks() const { return t_locks; }
bool RealtimeProbe::counts_c_calls() { return CORVANE_PROBE_C_CALLS != 0; }

} // namespace corvane::test

#if CORVANE_PROBE_C_CALLS
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size) {
    note_allocation();
    return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
    note_allocation();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
    note_allocation();
    return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
int posix_memalign(void** out, size_t alignment, size_t size) {
    note_allocation();
    void* p = __libc_memalign(alignment, size);
    if (!p) return 12; // ENOMEM
    *out = p;
    return 0;
}
void* aligned_alloc(size_t alignment, size_t size) {
    note_allocation();
    return __libc_memalign(alignment, size);
}

using mutex_fn = int (*)(pthread_mutex_t*);
static mutex_fn real_lock = nullptr;
static mutex_fn real_trylock = nullptr;

__attribute__((constructor)) static void resolve_mutex_functions() {
    real_lock = reinterpret_cast<mutex_fn>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    real_trylock = reinterpret_cast<mutex_fn>(dlsym(RTLD_NEXT, "pthread_mutex_trylock"));
}

int pthread_mutex_lock(pthread_mutex_t* m) {
    if (t_active > 0) ++t_locks;
    if (!real_lock) resolve_mutex_functions();
    return real_lock(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
    if (t_active > 0) ++t_locks;
    if (!real_trylock) resolve_mutex_functions();
    return real_trylock(m);
}
}

void* operator new(size_t size) {
    if (void* p = malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return ::operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return malloc(size ? size : 1);
}
void* operator new(size_t size, std::align_val_t a) {
    void* p = nullptr;
    if (posix_memalign(&p, static_cast<size_t>(a), size ? size : 1) == 0) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size, std::align_val_t a) { return ::operator new(size, a); }
#else
// Under sanitizers only operator new is counted; the sanitizer runtime owns malloc.
void* operator new(size_t size) {
    note_allocation();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return ::operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    note_allocation();
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    note_allocation();
    return std::malloc(size ? size : 1);
}
void* operator new(size_t size, std::align_val_t a) {
    note_allocation();
    if (void* p = std::aligned_alloc(static_cast<size_t>(a), (size + static_cast<size_t>(a) - 1) /
                                                                 static_cast<size_t>(a) *
                                                                 static_cast<size_t>(a)))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size, std::align_val_t a) { return ::operator new(size, a); }
#endif

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }
