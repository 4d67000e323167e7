// The frei0r entry points. Nothing thrown inside crosses into the host.
#include "ControlMapping.h"
#include "Instance.h"

#include "plugins/bridge/FailureLog.h"
#include "plugins/bridge/SharedEffect.h"

// The header declares the entry points without C linkage; they are the
// plug-in's only exported symbols.
extern "C" {
#pragma GCC visibility push(default)
#include <frei0r.h>
#pragma GCC visibility pop
}

#include <array>
#include <mutex>
#include <optional>
#include <string>

namespace irisplit_bridge {
const PluginDescription kPlugin{"Irisplit frei0r plug-in", IRX_MODULE_FROM_PLUGIN};
} // namespace irisplit_bridge

namespace irisplit_frei0r {
namespace {

using irisplit_bridge::EffectHold;
using irisplit_bridge::FrameFailure;
using irisplit_bridge::ReportOnce;

// Held from f0r_init to f0r_deinit. Raw on purpose: a host that never calls
// f0r_deinit leaves the effect set up until the process ends.
std::mutex processHoldMutex;
EffectHold* processHold = nullptr;

bool ValidIndex(int index) { return index >= 0 && index < kParamCount; }

// Texts the host may keep pointers to: built once from the effect's ranges
// (read without setting the effect up) and kept until the plug-in is
// unloaded; bare names while the effect is unusable.
const char* Explanation(int index) {
    static std::mutex mutex;
    static std::optional<std::array<std::string, kParamCount>> texts;
    const std::lock_guard<std::mutex> lock(mutex);
    if (!texts) {
        const EffectHold hold;
        try {
            const ControlMapping mapping = hold.effect().read<ControlMapping>();
            texts.emplace();
            for (int i = 0; i < kParamCount; ++i) (*texts)[i] = mapping.explanation(i);
        } catch (const FrameFailure& failure) {
            ReportOnce(failure.kind, failure.what());
        }
    }
    return texts ? (*texts)[index].c_str() : ParamName(index);
}

} // namespace
} // namespace irisplit_frei0r

using namespace irisplit_frei0r;

extern "C" {

// Always succeeds: without a usable effect, frames pass through.
int f0r_init() {
    try {
        const std::lock_guard<std::mutex> lock(processHoldMutex);
        if (!processHold) processHold = new EffectHold;
    } catch (...) {
        irisplit_bridge::ReportCurrentException("f0r_init");
    }
    return 1;
}

void f0r_deinit() {
    EffectHold* released = nullptr;
    {
        const std::lock_guard<std::mutex> lock(processHoldMutex);
        std::swap(released, processHold);
    }
    try {
        delete released; // sets the effect down unless instances still hold it
    } catch (...) {
        irisplit_bridge::ReportCurrentException("f0r_deinit");
    }
}

void f0r_get_plugin_info(f0r_plugin_info_t* info) {
    if (!info) return;
    info->name = "irisplit";
    info->author = "Irisplit";
    info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = IRX_VERSION_MAJOR;
    info->minor_version = IRX_VERSION_MINOR;
    info->num_params = kParamCount;
    info->explanation = "Splits a colour pair apart: one channel moved, turned and scaled one way, the other the "
                        "opposite way, with an optional blur (OpenGL)";
}

void f0r_get_param_info(f0r_param_info_t* info, int index) {
    if (!info || !ValidIndex(index)) return;
    info->name = ParamName(index);
    info->type = F0R_PARAM_DOUBLE;
    try {
        info->explanation = Explanation(index);
    } catch (...) {
        info->explanation = ParamName(index);
        irisplit_bridge::ReportCurrentException("f0r_get_param_info");
    }
}

f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
    try {
        return new Instance(width, height);
    } catch (...) {
        irisplit_bridge::ReportCurrentException("f0r_construct");
        return nullptr;
    }
}

void f0r_destruct(f0r_instance_t instance) {
    try {
        delete static_cast<Instance*>(instance);
    } catch (...) {
        irisplit_bridge::ReportCurrentException("f0r_destruct");
    }
}

void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    if (instance && param && ValidIndex(index))
        static_cast<Instance*>(instance)->setParam(index, *static_cast<const f0r_param_double*>(param));
}

void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    if (instance && param && ValidIndex(index))
        *static_cast<f0r_param_double*>(param) = static_cast<Instance*>(instance)->param(index);
}

void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe, uint32_t* outframe) {
    if (instance) static_cast<Instance*>(instance)->update(time, inframe, outframe);
}

} // extern "C"
