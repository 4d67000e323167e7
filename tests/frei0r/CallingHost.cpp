// A frei0r host that calls the plug-in the ways editors and pipelines do:
//   describe PLUGIN                  describes it (init, infos, construct) and
//                                    fails if that loaded a graphics driver
//   glx PLUGIN IN W H N OUT VALUES   renders N frames from a thread with its
//                                    own GLX context current (needs an X display)
//   callers PLUGIN IN W H N OUT VALUES  renders one frame from each of N
//                                    short-lived threads in turn: the same
//                                    frame each time, memory flat
// IN and OUT are raw RGBA frames; VALUES are frei0r values as "0.5|0.6|...".
// OUT gets every frame rendered (callers: the first). Exits 1 with a line on standard error when
// a check fails.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <frei0r.h>

#include <dlfcn.h>

#include <cstdio>
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

struct Plugin {
    explicit Plugin(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle) Fail(dlerror());
    }
    void* handle;
    decltype(&f0r_init) init = Entry<decltype(&f0r_init)>(handle, "f0r_init");
    decltype(&f0r_get_plugin_info) pluginInfo = Entry<decltype(&f0r_get_plugin_info)>(handle, "f0r_get_plugin_info");
    decltype(&f0r_get_param_info) paramInfo = Entry<decltype(&f0r_get_param_info)>(handle, "f0r_get_param_info");
    decltype(&f0r_construct) construct = Entry<decltype(&f0r_construct)>(handle, "f0r_construct");
    decltype(&f0r_destruct) destruct = Entry<decltype(&f0r_destruct)>(handle, "f0r_destruct");
    decltype(&f0r_set_param_value) setParam = Entry<decltype(&f0r_set_param_value)>(handle, "f0r_set_param_value");
    decltype(&f0r_update) update = Entry<decltype(&f0r_update)>(handle, "f0r_update");
};

// A graphics driver in the process: what creating any OpenGL context loads.
std::string GraphicsDriverLoaded() {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        for (const char* driver : {"_dri.so", "libgallium", "libEGL_mesa", "libGLX_mesa"})
            if (line.find(driver) != std::string::npos) return line.substr(line.rfind(' ') + 1);
    }
    return "";
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    Fail("no VmRSS");
}

void Describe(Plugin& plugin) {
    plugin.init();
    f0r_plugin_info_t info{};
    plugin.pluginInfo(&info);
    for (int i = 0; i < info.num_params; ++i) {
        f0r_param_info_t param{};
        plugin.paramInfo(&param, i);
        std::cout << i << " " << param.name << ": " << param.explanation << "\n";
    }
    plugin.destruct(plugin.construct(64, 48));
    const std::string driver = GraphicsDriverLoaded();
    if (!driver.empty()) Fail("describing the plug-in loaded " + driver);
}

struct Frames {
    std::vector<uint32_t> in, out;
    unsigned width, height;
    f0r_instance_t instance;
};

// The caller's own context, current on the calling thread for its lifetime.
class CallerGlxContext {
public:
    CallerGlxContext() : display_(XOpenDisplay(nullptr)) {
        if (!display_) Fail("no X display");
        const int attributes[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
        int count = 0;
        GLXFBConfig* configs = glXChooseFBConfig(display_, DefaultScreen(display_), attributes, &count);
        if (!configs || count == 0) Fail("no GLX pbuffer configuration");
        const int size[] = {GLX_PBUFFER_WIDTH, 16, GLX_PBUFFER_HEIGHT, 16, None};
        pbuffer_ = glXCreatePbuffer(display_, configs[0], size);
        context_ = glXCreateNewContext(display_, configs[0], GLX_RGBA_TYPE, nullptr, True);
        XFree(configs);
        if (!context_ || !glXMakeContextCurrent(display_, pbuffer_, pbuffer_, context_)) Fail("no GLX context");
    }
    ~CallerGlxContext() {
        glXMakeContextCurrent(display_, None, None, nullptr);
        glXDestroyContext(display_, context_);
        glXDestroyPbuffer(display_, pbuffer_);
        XCloseDisplay(display_);
    }
    void checkStillCurrent() const {
        if (glXGetCurrentContext() != context_ || glXGetCurrentDrawable() != pbuffer_)
            Fail("the caller's GLX context is no longer current");
    }

private:
    Display* display_;
    GLXPbuffer pbuffer_ = 0;
    GLXContext context_ = nullptr;
};

// Frame `index` into `out`.
void RenderFrame(Plugin& plugin, const Frames& frames, size_t index, std::vector<uint32_t>& out) {
    out.resize(frames.in.size());
    plugin.update(frames.instance, double(index) / 25.0, frames.in.data(), out.data());
}

void RenderFromGlxThread(Plugin& plugin, Frames& frames, size_t count) {
    std::thread([&] {
        const CallerGlxContext own;
        std::vector<uint32_t> frame;
        for (size_t i = 0; i < count; ++i) {
            RenderFrame(plugin, frames, i, frame);
            own.checkStillCurrent();
            frames.out.insert(frames.out.end(), frame.begin(), frame.end());
        }
    }).join();
}

// Every caller's frame must equal the first one's, which goes to OUT.
void RenderFromShortLivedThreads(Plugin& plugin, Frames& frames, size_t count) {
    std::vector<uint32_t> frame;
    long halfway = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i == count / 2) halfway = ResidentKiB();
        std::thread([&] { RenderFrame(plugin, frames, i, i == 0 ? frames.out : frame); }).join();
        if (i > 0 && frame != frames.out) Fail("caller " + std::to_string(i) + " got another frame");
    }
    const long growth = ResidentKiB() - halfway;
    if (growth > kFlatMemoryKiB)
        Fail("memory grew by " + std::to_string(growth) + " KiB over the last " + std::to_string(count - count / 2) +
             " callers");
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "describe") {
        Plugin plugin(argv[2]);
        Describe(plugin);
        return 0;
    }
    if ((mode != "glx" && mode != "callers") || argc != 9) Fail("see the usage at the top of CallingHost.cpp");
    Plugin plugin(argv[2]);
    plugin.init();
    Frames frames;
    std::ifstream inFile(argv[3], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(inFile)), std::istreambuf_iterator<char>());
    frames.width = unsigned(std::stoul(argv[4]));
    frames.height = unsigned(std::stoul(argv[5]));
    if (bytes.size() != size_t(frames.width) * frames.height * 4) Fail("IN is not W x H RGBA");
    frames.in.resize(bytes.size() / 4);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(frames.in.data()));
    frames.instance = plugin.construct(frames.width, frames.height);
    std::istringstream values(argv[8]);
    int index = 0;
    for (std::string value; std::getline(values, value, '|'); ++index) {
        double number = std::stod(value);
        plugin.setParam(frames.instance, &number, index);
    }
    const size_t count = std::stoul(argv[6]);
    if (mode == "glx") RenderFromGlxThread(plugin, frames, count);
    else RenderFromShortLivedThreads(plugin, frames, count);
    plugin.destruct(frames.instance);
    std::ofstream(argv[7], std::ios::binary)
        .write(reinterpret_cast<const char*>(frames.out.data()), std::streamsize(frames.out.size() * 4));
    return 0;
}
