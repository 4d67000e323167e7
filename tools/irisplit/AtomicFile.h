// Files that appear complete or not at all.
#pragma once

#include <string>
#include <vector>

namespace irisplit {

// Writes `bytes` under a temporary name next to `path`, checks every write,
// syncs the file to its storage and only then renames it to `path`, so the
// name never holds a partial file. With `replace` false an existing `path`
// is left alone and refused. On failure the temporary file is removed and a
// FileError names `path` and the cause.
void WriteFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes, bool replace);

} // namespace irisplit
