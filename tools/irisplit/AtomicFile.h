// Files that appear complete or not at all.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace irisplit {

// Creates an empty file under a temporary name next to `path`, has `fill`
// write it (through the descriptor, or by name), syncs it to its storage and
// only then renames it to `path`, so the name never holds a partial file.
// A symbolic link is followed: its target is written (the temporary beside
// it) and the link stays. A replaced file keeps its permission bits.
// With `replace` false an existing `path` is left alone and refused. On any
// failure the temporary file is removed and a FileError names `path` and the
// cause; `fill` throws FileError itself.
void WriteFileAtomically(const std::string& path, bool replace,
                         const std::function<void(const std::string& temporary, int fd)>& fill);

// Throws FileError, naming both lengths, when the file name of `path` is
// longer than its folder's file system takes.
void CheckNameFits(const std::string& path);

// Writes all of `bytes`, checking every write; throws FileError naming `path`.
void WriteAllBytes(int fd, const std::vector<unsigned char>& bytes, const std::string& path);

} // namespace irisplit
