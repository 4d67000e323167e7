#include "ImageLibraryMessages.h"

#include <png.h>

#include <mutex>
#include <sstream>
#include <unordered_map>

#include <dlfcn.h>

namespace irisplit {

std::string ImageLibraryReason(const std::string& message)
{
    std::istringstream lines(message);
    std::string line;
    std::string joined;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t") != std::string::npos) {
            joined += (joined.empty() ? "" : "; ") + line;
        }
    }
    return joined.empty() ? "the image library gives no reason (a damaged or cut-short file?)" : joined;
}

} // namespace irisplit

// OpenImageIO's libpng error handler records the message and returns, and
// libpng then prints it on standard error in its own words ("libpng error:
// ...") before giving up. irisplit defines png_set_error_fn itself, and the
// library's calls reach it first: it registers a handler that calls the
// caller's and then gives up without a word. The failure itself is reported
// as the read or write failing, with the message.
namespace {

std::mutex handlersMutex;
std::unordered_map<const void*, png_error_ptr> callersHandlers; // a struct's address may be used again

[[noreturn]] void CallersHandlerThenGiveUp(png_structp png, png_const_charp message)
{
    png_error_ptr callers = nullptr;
    {
        std::lock_guard<std::mutex> lock(handlersMutex);
        const auto found = callersHandlers.find(png);
        callers = found == callersHandlers.end() ? nullptr : found->second;
    }
    if (callers) {
        callers(png, message);
    }
    png_longjmp(png, 1);
}

} // namespace

extern "C" __attribute__((visibility("default"))) void png_set_error_fn(png_structrp png, png_voidp errorData,
                                                                        png_error_ptr error, png_error_ptr warning)
{
    static const auto real =
        reinterpret_cast<decltype(&png_set_error_fn)>(::dlsym(RTLD_NEXT, "png_set_error_fn"));
    if (error) {
        std::lock_guard<std::mutex> lock(handlersMutex);
        callersHandlers[png] = error;
    }
    real(png, errorData, error ? CallersHandlerThenGiveUp : nullptr, warning);
}
