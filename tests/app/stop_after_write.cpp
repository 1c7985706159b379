// Loaded into a program (LD_PRELOAD) by a test: the program stops itself
// (SIGSTOP) right after its first write into a file in the folder that
// STOP_AFTER_WRITE_IN names, so the test can kill it in the middle of a
// save, before the save is complete, however fast the machine is.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Write = ssize_t (*)(int, const void *, size_t);

std::atomic<bool> g_stopped{false};

// Whether descriptor fd is a file in folder (canonical, no trailing slash).
bool inFolder(int fd, const char *folder)
{
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    char path[4096];
    const ssize_t n = ::readlink(proc, path, sizeof path - 1);
    const size_t length = std::strlen(folder);
    return n > ssize_t(length) && std::strncmp(path, folder, length) == 0 && path[length] == '/';
}

} // namespace

extern "C" ssize_t write(int fd, const void *bytes, size_t size)
{
    static const Write next = reinterpret_cast<Write>(::dlsym(RTLD_NEXT, "write"));
    static const char *const folder = std::getenv("STOP_AFTER_WRITE_IN");
    const ssize_t written = next(fd, bytes, size);
    if (written > 0 && folder && !g_stopped.load() && inFolder(fd, folder) && !g_stopped.exchange(true))
        ::raise(SIGSTOP);
    return written;
}
