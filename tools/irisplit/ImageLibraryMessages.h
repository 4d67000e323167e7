// What the image library says about a failure, as one line of irisplit's.
#pragma once

#include <string>

namespace irisplit {

// The library's message (often several lines) as one line; when it gave
// none, a reason that says so rather than nothing.
std::string ImageLibraryReason(const std::string& message);

} // namespace irisplit
