// Global setup and setdown, the module-wide OpenGL state, and the lookup of a
// render thread's own data.
#include "KaleonGlobal.h"

#include "Kaleon.h"
#include "host/SuiteHandler.h"

#include <atomic>
#include <utility>

using namespace irxgl;

// Constructed in this order when the module loads, after the shader texts
// (constants, ready before any code runs), and destroyed in reverse at unload.
std::map<int32_t, std::shared_ptr<EffectRenderData>> renderDataByThread;
std::recursive_mutex renderDataMutex;
std::shared_ptr<EffectCommonData> sharedCommonData;

namespace {

// Runs first at unload. Holders still alive then (no global setdown came) let
// go of their contexts without a call: at process exit the driver may already
// be gone, and on Windows the loader lock is held.
struct DetachHoldersAtUnload {
    DetachHoldersAtUnload() = default;
    DetachHoldersAtUnload(const DetachHoldersAtUnload&) = delete;
    DetachHoldersAtUnload& operator=(const DetachHoldersAtUnload&) = delete;
    ~DetachHoldersAtUnload()
    {
        if (sharedCommonData) {
            DetachHolder(*sharedCommonData);
        }
        for (auto& entry : renderDataByThread) {
            DetachHolder(*entry.second);
        }
    }
} detachHoldersAtUnload;

thread_local int32_t threadNumber = -1;
std::atomic<int32_t> threadNumberCounter{0};

} // namespace

std::shared_ptr<EffectRenderData> AcquireThreadRenderData()
{
    std::lock_guard<std::recursive_mutex> lock(renderDataMutex);
    if (threadNumber != -1) {
        const auto entry = renderDataByThread.find(threadNumber);
        if (entry != renderDataByThread.end()) {
            return entry->second;
        }
    }
    // A new thread, or one whose data a global setdown dropped: a fresh holder.
    // The thread keeps a new number only once its holder is stored.
    const int32_t number = threadNumber != -1 ? threadNumber : threadNumberCounter.fetch_add(1);
    auto renderData = std::make_shared<EffectRenderData>();
    renderDataByThread.emplace(number, renderData);
    threadNumber = number;
    return renderData;
}

std::shared_ptr<EffectCommonData> CommonDataForRenderThreads()
{
    return sharedCommonData;
}

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data)
{
    // Written before anything can fail; they stay written when setup fails.
    out_data->my_version = kEffectVersion;
    out_data->out_flags = kEffectOutFlags;
    out_data->out_flags2 = kEffectOutFlags2;
    try {
        SavedContext savedContext;
        // Uses no suite: only confirms the host gave a basic suite.
        SuiteHandler suites(in_data->pica_basicP);
        // The previous common data goes only once the new one is in place.
        auto previous = std::exchange(sharedCommonData, std::make_shared<EffectCommonData>());
        previous.reset();
        InitContext(*sharedCommonData, nullptr);
        return PF_Err_NONE;
    } catch (int& err) {
        return err;
    } catch (...) {
        return PF_Err_OUT_OF_MEMORY;
    }
}

PF_Err GlobalSetdown(PF_InData* in_data, PF_OutData* out_data)
{
    try {
        SavedContext savedContext;
        {
            // Render data that a running frame still holds goes when the frame
            // lets go of it.
            std::lock_guard<std::recursive_mutex> lock(renderDataMutex);
            renderDataByThread.clear();
        }
        auto common = std::exchange(sharedCommonData, nullptr);
        common.reset();
        if (in_data->sequence_data != nullptr && in_data->utils != nullptr &&
            in_data->utils->host_dispose_handle != nullptr) {
            in_data->utils->host_dispose_handle(in_data->sequence_data);
            out_data->sequence_data = nullptr;
        }
        return PF_Err_NONE;
    } catch (int& err) {
        return err;
    } catch (...) {
        return PF_Err_OUT_OF_MEMORY;
    }
}
