// Preloaded, this fails what a system short of resources refuses:
//   IRX_FAIL_THREAD_START=K      the K-th std::thread started from main() on
//                                fails with EAGAIN (libraries start threads
//                                before main(), and the software renderer its
//                                own, which it waits for forever if one fails);
//   IRX_FAIL_ALLOCATIONS_FROM=N  every malloc() of N bytes or more fails;
//   IRX_HOLEY_TIFF_WRITES=first  every write of 1024 bytes or more to a TIFF
//   IRX_HOLEY_TIFF_WRITES=last   file puts zeros on disk in place of its first
//                                (last) 16 bytes and reports success, as the
//                                holes a full file system can leave read back
//                                (headers and directories pass: the file still
//                                reads whole). In an uncompressed strip: the
//                                start of its first row (the end of its last).
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" void* __libc_malloc(size_t size);

namespace {
std::atomic<bool> mainBegun{false};
int (*realMain)(int, char**, char**);
long FromEnvironment(const char* name) { return std::getenv(name) ? std::atol(std::getenv(name)) : 0; }
} // namespace

#define EXPORTED extern "C" __attribute__((visibility("default")))

EXPORTED int __libc_start_main(int (*main)(int, char**, char**), int argc, char** argv, void (*init)(),
                               void (*fini)(), void (*rtldFini)(), void* stackEnd)
{
    using Start = int (*)(decltype(main), int, char**, void (*)(), void (*)(), void (*)(), void*);
    realMain = main;
    const auto begin = [](int count, char** words, char** environment) {
        mainBegun = true; // static constructors have run
        return realMain(count, words, environment);
    };
    return reinterpret_cast<Start>(::dlsym(RTLD_NEXT, "__libc_start_main"))(begin, argc, argv, init, fini, rtldFini,
                                                                             stackEnd);
}

EXPORTED int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*), void* argument)
{
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto next = reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
    static const long failing = FromEnvironment("IRX_FAIL_THREAD_START");
    static std::atomic<long> started{0};
    Dl_info where{}; // every std::thread starts at the C++ library's routine
    const bool stdThread = ::dladdr(reinterpret_cast<void*>(start), &where) && where.dli_fname &&
                           std::strstr(where.dli_fname, "libstdc++");
    return failing > 0 && mainBegun && stdThread && ++started == failing ? EAGAIN
                                                                         : next(thread, attributes, start, argument);
}

EXPORTED void* malloc(size_t size)
{
    static const long largest = FromEnvironment("IRX_FAIL_ALLOCATIONS_FROM"); // getenv allocates nothing
    return largest > 0 && size >= size_t(largest) ? (errno = ENOMEM, nullptr) : __libc_malloc(size);
}

EXPORTED ssize_t write(int fd, const void* data, size_t size)
{
    static const auto next = reinterpret_cast<ssize_t (*)(int, const void*, size_t)>(::dlsym(RTLD_NEXT, "write"));
    static const char* const holes = std::getenv("IRX_HOLEY_TIFF_WRITES");
    static const bool first = holes && std::strcmp(holes, "first") == 0;
    static const bool holey = first || (holes && std::strcmp(holes, "last") == 0);
    char target[PATH_MAX] = {};
    const bool tiff = holey && size >= 1024 &&
                      ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, PATH_MAX - 1) > 0 &&
                      std::strstr(target, ".tif");
    if (!tiff) {
        return next(fd, data, size);
    }
    std::vector<char> withHoles(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    std::fill_n(first ? withHoles.begin() : withHoles.end() - 16, 16, 0);
    return next(fd, withHoles.data(), size);
}
