// Setting up a holder's context, making it current, and putting the caller's
// context back: the window-system-neutral half of context handling.
#include "Layer.h"
#include "Binding.h"
#include "Diagnostics.h"
#include "Platform.h"

#include <glbinding/ContextInfo.h>
#include <glbinding/Meta.h>
#include <glbinding/Version.h>

#include <atomic>
#include <sstream>

namespace irxgl {
namespace {

std::atomic<int32_t> windowClassCounter{0};

bool HoldsAnything(const EffectCommonData& holder)
{
    return holder.window || holder.deviceContext || holder.renderContext ||
           !holder.windowClassName.empty() || holder.bindingHandle != 0;
}

// The context is gone before its handle can go to another context.
void ReleaseHolder(EffectCommonData& holder) noexcept
{
    Platform::TeardownHolder(holder);
    ReturnBindingHandle(holder.bindingHandle);
}

// Binds glbinding to the holder's context, which is current, and prints the
// context information block.
void InitBinding(EffectCommonData& holder)
{
    holder.bindingHandle = LendBindingHandle();
    UseBindingHandle(holder.bindingHandle);

    const std::string renderer = glbinding::ContextInfo::renderer();
    const std::string vendor = glbinding::ContextInfo::vendor();
    const int revision = glbinding::Meta::glRevision();
    const glbinding::Version version = glbinding::ContextInfo::version();

    using ::operator<<; // glbinding prints its Version from the global namespace
    std::ostringstream versionText;
    versionText << version;

    WriteLine("");
    WriteLine("OpenGL Version:  " + versionText.str());
    WriteLine("OpenGL Vendor:   " + vendor);
    WriteLine("OpenGL Renderer: " + renderer);
    WriteLine("OpenGL Revision: " + std::to_string(revision) + " (gl.xml)");
    WriteLine("");
}

} // namespace

std::string NextWindowClassName()
{
    return "IrxGL_Win_Class" + std::to_string(windowClassCounter.fetch_add(1));
}

EffectCommonData::~EffectCommonData()
{
    ReleaseHolder(*this);
}

void InitContext(EffectCommonData& holder, const EffectCommonData* shareSource)
{
    // A render thread's context without a root to share with would be an
    // unshared context of the wrong kind: refuse it.
    const bool isRenderData = dynamic_cast<EffectRenderData*>(&holder) != nullptr;
    if (isRenderData && (shareSource == nullptr || shareSource->renderContext == nullptr)) {
        throw Fault{OsCallsFailed};
    }
    // A retry after a failed attempt starts from nothing.
    if (HoldsAnything(holder)) {
        ReleaseHolder(holder);
    }
    // The root context comes with global setup, while nothing renders: the
    // moment glbinding's handles can be registered safely.
    if (shareSource == nullptr) {
        RegisterBindingHandles();
    }

    holder.window = CreateHiddenWindow(holder.windowClassName);
    holder.deviceContext = Platform::GetDeviceContext(holder.window);
    holder.renderContext =
        CreateGLContext(holder.deviceContext, shareSource ? shareSource->renderContext : nullptr);
    Platform::MakeCurrent(holder.deviceContext, holder.renderContext);
    InitBinding(holder);
}

bool MakeCurrent(EffectCommonData& holder)
{
    if (holder.renderContext == nullptr || holder.bindingHandle == 0 ||
        !Platform::MakeCurrent(holder.deviceContext, holder.renderContext)) {
        return false;
    }
    UseBindingHandle(holder.bindingHandle);
    return true;
}

void DetachHolder(EffectCommonData& holder)
{
    holder.window = nullptr;
    holder.deviceContext = nullptr;
    holder.renderContext = nullptr;
    holder.windowClassName.clear();
    ReturnBindingHandle(holder.bindingHandle);
}

SavedContext::SavedContext()
{
    Platform::QueryCurrent(saved_);
}

SavedContext::~SavedContext()
{
    if (!Platform::IsCurrent(saved_)) {
        Platform::RestoreCurrent(saved_);
    }
}

} // namespace irxgl
