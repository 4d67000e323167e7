// A frei0r host that calls the plug-in as editors and pipelines do: from N
// threads that come and go in turn, each with the host's own GLX context
// current while it calls f0r_update.
//   usage: calling-host PLUGIN IN W H N OUT VALUES   (needs an X display)
// IN and OUT are raw RGBA frames, VALUES frei0r values as "0.5|0.6|...".
// Every caller must get the first caller's frame (written to OUT), find its
// context still current, and leave resident memory flat; otherwise the host exits
// 1 with a line on standard error. Its own std::cout says "N callers rendered".
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <frei0r.h>

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Growth allowed while the second half of the callers render. Resident
// memory wanders by tens of megabytes as the effect's frame-sized blocks come
// and go; one leaked set of per-thread render data is several megabytes even
// for small frames, and a hundred of them far more than this.
constexpr long kFlatMemoryKiB = 64 * 1024;

[[noreturn]] void Fail(const std::string& why) {
    std::cerr << "calling-host: " << why << "\n";
    std::exit(1);
}

template <typename Function> Function Entry(void* plugin, const char* name) {
    void* symbol = dlsym(plugin, name);
    if (!symbol) Fail(std::string("no ") + name);
    return reinterpret_cast<Function>(symbol);
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    Fail("no VmRSS");
}

// The host's own context, made current by each caller in turn.
class HostGlxContext {
public:
    HostGlxContext() : display_(XOpenDisplay(nullptr)) {
        if (!display_) Fail("no X display");
        const int attributes[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
        int count = 0;
        GLXFBConfig* configs = glXChooseFBConfig(display_, DefaultScreen(display_), attributes, &count);
        if (!configs || count == 0) Fail("no GLX pbuffer configuration");
        const int size[] = {GLX_PBUFFER_WIDTH, 16, GLX_PBUFFER_HEIGHT, 16, None};
        pbuffer_ = glXCreatePbuffer(display_, configs[0], size);
        context_ = glXCreateNewContext(display_, configs[0], GLX_RGBA_TYPE, nullptr, True);
        XFree(configs);
        if (!context_) Fail("no GLX context");
    }
    ~HostGlxContext() {
        glXDestroyContext(display_, context_);
        glXDestroyPbuffer(display_, pbuffer_);
        XCloseDisplay(display_);
    }
    // Runs call() with the context current on this thread, then releases it.
    template <typename Call> void whileCurrent(Call&& call) const {
        if (!glXMakeContextCurrent(display_, pbuffer_, pbuffer_, context_)) Fail("cannot make the context current");
        call();
        if (glXGetCurrentContext() != context_ || glXGetCurrentDrawable() != pbuffer_)
            Fail("the caller's GLX context is no longer current");
        glXMakeContextCurrent(display_, None, None, nullptr);
    }

private:
    Display* display_;
    GLXPbuffer pbuffer_ = 0;
    GLXContext context_ = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 8) Fail("usage: calling-host PLUGIN IN W H N OUT VALUES");
    void* plugin = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!plugin) Fail(dlerror());
    std::ifstream inFile(argv[2], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(inFile)), std::istreambuf_iterator<char>());
    const unsigned width = unsigned(std::stoul(argv[3])), height = unsigned(std::stoul(argv[4]));
    if (bytes.size() != size_t(width) * height * 4) Fail("IN is not W x H RGBA");
    std::vector<uint32_t> in(bytes.size() / 4), first, frame;
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(in.data()));

    Entry<decltype(&f0r_init)>(plugin, "f0r_init")();
    const auto update = Entry<decltype(&f0r_update)>(plugin, "f0r_update");
    const f0r_instance_t instance = Entry<decltype(&f0r_construct)>(plugin, "f0r_construct")(width, height);
    std::istringstream values(argv[7]);
    int index = 0;
    for (std::string value; std::getline(values, value, '|'); ++index) {
        double number = std::stod(value);
        Entry<decltype(&f0r_set_param_value)>(plugin, "f0r_set_param_value")(instance, &number, index);
    }

    const HostGlxContext context;
    const size_t callers = std::stoul(argv[5]);
    long halfway = 0;
    for (size_t i = 0; i < callers; ++i) {
        if (i == callers / 2) halfway = ResidentKiB();
        std::vector<uint32_t>& out = i == 0 ? first : frame;
        out.resize(in.size());
        std::thread([&] { context.whileCurrent([&] { update(instance, double(i) / 25, in.data(), out.data()); }); })
            .join();
        if (i > 0 && frame != first) Fail("caller " + std::to_string(i) + " got another frame");
    }
    const long growth = ResidentKiB() - halfway;
    if (growth > kFlatMemoryKiB)
        Fail("memory grew by " + std::to_string(growth) + " KiB over the last " + std::to_string(callers / 2) +
             " callers");
    Entry<decltype(&f0r_destruct)>(plugin, "f0r_destruct")(instance);
    std::ofstream(argv[6], std::ios::binary)
        .write(reinterpret_cast<const char*>(first.data()), std::streamsize(first.size() * 4));
    std::cout << callers << " callers rendered" << std::endl;
    return 0;
}
