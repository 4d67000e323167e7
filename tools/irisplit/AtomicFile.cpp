#include "AtomicFile.h"

#include "Errors.h"
#include "Signals.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace irisplit {
namespace {

// A hidden name in the same folder (so the rename cannot cross file systems),
// different for every file this process writes.
std::string TemporaryNameFor(const std::string& path)
{
    static std::atomic<unsigned> serial{0};
    const std::filesystem::path target(path);
    return (target.parent_path() / ("." + target.filename().string() + ".partial-" + std::to_string(::getpid()) +
                                    "-" + std::to_string(serial++)))
        .string();
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Closes now; a failed close can mean data never reached the file.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// errno after a failed call, as the reason a file could not be written.
[[noreturn]] void ThrowWriteError(const std::string& path)
{
    throw FileError("cannot write '" + path + "': " + std::strerror(errno));
}

} // namespace

void WriteAllBytes(int fd, const std::vector<unsigned char>& bytes, const std::string& path)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            errno = written == 0 ? EIO : errno;
            ThrowWriteError(path);
        }
        done += size_t(written);
    }
}

void WriteFileAtomically(const std::string& path, bool replace,
                         const std::function<void(const std::string& temporary, int fd)>& fill)
{
    TemporaryName temporary(TemporaryNameFor(path));
    Descriptor file(::open(temporary.path().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        ThrowWriteError(path);
    }
    fill(temporary.path(), file.get());
    if (::fsync(file.get()) != 0 || !file.close()) {
        ThrowWriteError(path);
    }
    temporary.commit([&] {
        const int moved = replace ? std::rename(temporary.path().c_str(), path.c_str())
                                  : ::renameat2(AT_FDCWD, temporary.path().c_str(), AT_FDCWD, path.c_str(),
                                                RENAME_NOREPLACE);
        if (moved != 0 && errno == EEXIST) {
            throw FileError("cannot write '" + path + "': it exists, and --no-clobber keeps it");
        }
        if (moved != 0) {
            ThrowWriteError(path);
        }
    });
}

} // namespace irisplit
