#include "AtomicFile.h"

#include "Errors.h"
#include "Signals.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace irisplit {
namespace {

// errno after a failed call, as the reason a file could not be written.
[[noreturn]] void ThrowWriteError(const std::string& path)
{
    throw FileError("cannot write '" + path + "': " + std::strerror(errno));
}

// The longest file name the folder of `path` takes, in bytes.
size_t LongestNameIn(const std::filesystem::path& path)
{
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? size_t(longest) : NAME_MAX;
}

// `text` cut to at most `bytes`, never inside a UTF-8 character.
std::string CutTo(const std::string& text, size_t bytes)
{
    if (text.size() <= bytes) {
        return text;
    }
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) {
        --bytes;
    }
    return text.substr(0, bytes);
}

// A hidden name in the same folder (so the rename cannot cross file systems),
// different for every file this process writes. It ends in the extension of
// `path`: some image readers are found by that alone. The name of `path` is
// cut short as needed for the whole to fit the folder's longest name.
std::string TemporaryNameFor(const std::filesystem::path& path)
{
    static std::atomic<unsigned> serial{0};
    const std::string tag = ".partial-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    const std::string extension = path.extension().string();
    const size_t fixed = 1 + tag.size() + extension.size();
    const size_t longest = LongestNameIn(path);
    const std::string stem = CutTo(path.stem().string(), longest > fixed ? longest - fixed : 0);
    return (path.parent_path() / ("." + stem + tag + extension)).string();
}

// The file that writing to `path` means: the end of its chain of symbolic
// links (which need not exist yet), or `path` itself.
std::filesystem::path FileNamedBy(const std::string& path)
{
    constexpr int kMostLinks = 40; // as the kernel follows
    std::filesystem::path file(path);
    std::error_code error;
    for (int links = 0; std::filesystem::is_symlink(std::filesystem::symlink_status(file, error)); ++links) {
        if (links == kMostLinks) {
            errno = ELOOP;
            ThrowWriteError(path);
        }
        file = file.parent_path() / std::filesystem::read_symlink(file, error);
    }
    return file;
}

// The permission bits of the file that `path` replaces; none for a new file,
// which gets what the umask leaves.
std::optional<mode_t> PermissionsOf(const std::filesystem::path& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? std::optional<mode_t>(status.st_mode & 0777) : std::nullopt;
}

} // namespace

void CheckNameFits(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t longest = LongestNameIn(path);
    if (name.size() > longest) {
        throw FileError("cannot write '" + path + "': its name is " + std::to_string(name.size()) +
                        " bytes long, and the file system takes at most " + std::to_string(longest));
    }
}

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
    const std::filesystem::path target = FileNamedBy(path);
    TemporaryName temporary(TemporaryNameFor(target));
    Descriptor& file = temporary.file();
    if (file.get() < 0) {
        ThrowWriteError(path);
    }
    // Never more open than the file replaced, but the owner may write it
    // until it is complete: a writer may open it again by name.
    const std::optional<mode_t> kept = PermissionsOf(target);
    if (kept && ::fchmod(file.get(), *kept | S_IRUSR | S_IWUSR) != 0) {
        ThrowWriteError(path);
    }
    fill(temporary.path(), file.get());
    if ((kept && ::fchmod(file.get(), *kept) != 0) || ::fsync(file.get()) != 0 || !file.close()) {
        ThrowWriteError(path);
    }
    temporary.commit([&] {
        const int moved = replace ? std::rename(temporary.path().c_str(), target.c_str())
                                  : ::renameat2(AT_FDCWD, temporary.path().c_str(), AT_FDCWD, target.c_str(),
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
