// Setting up a holder's context, making it current, and putting the caller's
// context back: the window-system-neutral half of context handling.
#include "AESDK_OpenGL.h"
#include "AESDK_OpenGL_Binding.h"
#include "AESDK_OpenGL_Diagnostics.h"
#include "AESDK_OpenGL_Platform.h"

#include <glbinding/ContextInfo.h>
#include <glbinding/Meta.h>
#include <glbinding/Version.h>

#include <atomic>
#include <sstream>

namespace AESDK_OpenGL {
namespace {

std::atomic<int32_t> windowClassCounter{0};

bool HoldsAnything(const AESDK_OpenGL_EffectCommonData& holder)
{
    return holder.window || holder.deviceContext || holder.renderContext ||
           !holder.windowClassName.empty() || holder.bindingHandle != 0;
}

// The context is gone before its handle can go to another context.
void ReleaseHolder(AESDK_OpenGL_EffectCommonData& holder) noexcept
{
    Platform::TeardownHolder(holder);
    AESDK_OpenGL_ReturnBindingHandle(holder.bindingHandle);
}

// Binds glbinding to the holder's context, which is current, and prints the
// context information block.
void InitBinding(AESDK_OpenGL_EffectCommonData& holder)
{
    holder.bindingHandle = AESDK_OpenGL_LendBindingHandle();
    AESDK_OpenGL_UseBindingHandle(holder.bindingHandle);

    const std::string renderer = glbinding::ContextInfo::renderer();
    const std::string vendor = glbinding::ContextInfo::vendor();
    const int revision = glbinding::Meta::glRevision();
    const glbinding::Version version = glbinding::ContextInfo::version();

    using ::operator<<; // glbinding prints its Version from the global namespace
    std::ostringstream versionText;
    versionText << version;

    AESDK_OpenGL_WriteLine("");
    AESDK_OpenGL_WriteLine("OpenGL Version:  " + versionText.str());
    AESDK_OpenGL_WriteLine("OpenGL Vendor:   " + vendor);
    AESDK_OpenGL_WriteLine("OpenGL Renderer: " + renderer);
    AESDK_OpenGL_WriteLine("OpenGL Revision: " + std::to_string(revision) + " (gl.xml)");
    AESDK_OpenGL_WriteLine("");
}

} // namespace

std::string AESDK_OpenGL_NextWindowClassName()
{
    return "AESDK_OpenGL_Win_Class" + std::to_string(windowClassCounter.fetch_add(1));
}

AESDK_OpenGL_EffectCommonData::~AESDK_OpenGL_EffectCommonData()
{
    ReleaseHolder(*this);
}

void AESDK_OpenGL_InitContext(AESDK_OpenGL_EffectCommonData& holder,
                              const AESDK_OpenGL_EffectCommonData* shareSource)
{
    // A render thread's context without a root to share with would be an
    // unshared context of the wrong kind: refuse it.
    const bool isRenderData = dynamic_cast<AESDK_OpenGL_EffectRenderData*>(&holder) != nullptr;
    if (isRenderData && (shareSource == nullptr || shareSource->renderContext == nullptr)) {
        throw AESDK_OpenGL_Fault{OsCallsFailed};
    }
    // A retry after a failed attempt starts from nothing.
    if (HoldsAnything(holder)) {
        ReleaseHolder(holder);
    }
    // The root context comes with global setup, while nothing renders: the
    // moment glbinding's handles can be registered safely.
    if (shareSource == nullptr) {
        AESDK_OpenGL_RegisterBindingHandles();
    }

    holder.window = AESDK_OpenGL_CreateHiddenWindow(holder.windowClassName);
    holder.deviceContext = Platform::GetDeviceContext(holder.window);
    holder.renderContext = AESDK_OpenGL_CreateGLContext(
        holder.deviceContext, shareSource ? shareSource->renderContext : nullptr);
    Platform::MakeCurrent(holder.deviceContext, holder.renderContext);
    InitBinding(holder);
}

bool AESDK_OpenGL_MakeCurrent(AESDK_OpenGL_EffectCommonData& holder)
{
    if (holder.renderContext == nullptr || holder.bindingHandle == 0 ||
        !Platform::MakeCurrent(holder.deviceContext, holder.renderContext)) {
        return false;
    }
    AESDK_OpenGL_UseBindingHandle(holder.bindingHandle);
    return true;
}

void AESDK_OpenGL_DetachHolder(AESDK_OpenGL_EffectCommonData& holder)
{
    holder.window = nullptr;
    holder.deviceContext = nullptr;
    holder.renderContext = nullptr;
    holder.windowClassName.clear();
    AESDK_OpenGL_ReturnBindingHandle(holder.bindingHandle);
}

AESDK_OpenGL_SavedContext::AESDK_OpenGL_SavedContext()
{
    Platform::QueryCurrent(saved_);
}

AESDK_OpenGL_SavedContext::~AESDK_OpenGL_SavedContext()
{
    if (!Platform::IsCurrent(saved_)) {
        Platform::RestoreCurrent(saved_);
    }
}

} // namespace AESDK_OpenGL
