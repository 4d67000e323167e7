// Times what the host does around the effect for one 1080p 8-bit frame, run
// with the null effect so that nothing else is in the time: the tool's path
// through a host simulator session (its world pool, pre-render first, one
// render thread), and a frei0r plug-in's f0r_update, pixel-order conversions
// included. Prints the median and the quartiles of each, in milliseconds.
#include "hostsim/Session.h"

#include <frei0r.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;
constexpr int kWarmUpFrames = 5;

void Report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[size_t(q * double(ms.size() - 1) + 0.5)]; };
    std::cout << what << ": median " << at(0.5) << " ms (quartiles " << at(0.25) << ", " << at(0.75) << "; "
              << ms.size() << " frames)" << std::endl;
}

std::vector<double> Time(int frames, const std::function<void()>& frame)
{
    for (int i = 0; i < kWarmUpFrames; ++i) frame();
    std::vector<double> ms;
    for (int i = 0; i < frames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        frame();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return ms;
}

// As the tool renders: its input world from the session's pool, moved into
// the request; the output given back once written.
std::vector<double> TimeToolPath(const std::string& nullModule, int frames)
{
    hostsim::SessionOptions options;
    options.renderThreads = 1;
    hostsim::Session session(nullModule, options);
    session.setUp();
    hostsim::WorldPool& worlds = session.worlds();
    const hostsim::WorldShape shape{PF_PixelFormat_ARGB32, kWidth, kHeight, {}};
    return Time(frames, [&] {
        const auto make = [&](size_t) {
            hostsim::FrameRequest request(worlds.take(shape));
            request.preRenderFirst = true;
            request.worlds = &worlds;
            return request;
        };
        const auto done = [&](size_t, hostsim::FrameResult&& result) {
            if (result.result != PF_Err_NONE) throw std::runtime_error("a frame failed");
            worlds.give(std::move(result.output));
        };
        session.renderFrames(1, make, done);
    });
}

template <typename Function> Function Find(void* plugin, const char* name)
{
    void* found = dlsym(plugin, name);
    if (!found) throw std::runtime_error(std::string("the plug-in lacks ") + name);
    return reinterpret_cast<Function>(found);
}

std::vector<double> TimeFrei0r(const std::string& pluginPath, int frames)
{
    void* plugin = dlopen(pluginPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin) throw std::runtime_error("cannot load " + pluginPath);
    const auto init = Find<int (*)()>(plugin, "f0r_init");
    const auto deinit = Find<void (*)()>(plugin, "f0r_deinit");
    const auto construct = Find<f0r_instance_t (*)(unsigned, unsigned)>(plugin, "f0r_construct");
    const auto destruct = Find<void (*)(f0r_instance_t)>(plugin, "f0r_destruct");
    const auto update = Find<void (*)(f0r_instance_t, double, const uint32_t*, uint32_t*)>(plugin, "f0r_update");
    init();
    f0r_instance_t instance = construct(kWidth, kHeight);
    std::vector<uint32_t> in(size_t(kWidth) * kHeight, 0x80402010u), out(in.size());
    double time = 0;
    std::vector<double> ms = Time(frames, [&] { update(instance, time += 0.04, in.data(), out.data()); });
    destruct(instance);
    deinit();
    dlclose(plugin);
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: " << argv[0] << " NULL_MODULE FREI0R_PLUGIN [FRAMES]\n"
                  << "  (the plug-in must find NULL_MODULE as its effect module)" << std::endl;
        return 2;
    }
    const int frames = argc > 3 ? std::max(1, std::stoi(argv[3])) : 40;
    try {
        Report("tool path (host simulator session)", TimeToolPath(argv[1], frames));
        Report("frei0r f0r_update", TimeFrei0r(argv[2], frames));
    } catch (const std::exception& e) {
        std::cerr << argv[0] << ": " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
