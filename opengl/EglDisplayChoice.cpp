#include "EglDisplayChoice.h"

#include <EGL/eglext.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace irx_egl {
namespace {

constexpr const char* kDeviceVariable = "IRISPLIT_EGL_DEVICE";
constexpr const char* kRequireGpuVariable = "IRISPLIT_REQUIRE_GPU";
constexpr EGLint kProbeSize = 8;
constexpr unsigned kRenderer = 0x1F01;       // GL_RENDERER
constexpr unsigned kMaxTextureSize = 0x0D33; // GL_MAX_TEXTURE_SIZE
using GetString = const unsigned char* (*)(unsigned);
using GetIntegerv = void (*)(unsigned, int*);

const char* ClientExtensions()
{
    return eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
}

std::string Setting(const char* variable, const std::string& value)
{
    return std::string(variable) + "=" + value;
}

// The calling thread's bound API and current context, put back at scope end.
class SavedThreadState {
public:
    SavedThreadState()
        : api_(eglQueryAPI()), display_(eglGetCurrentDisplay()), draw_(eglGetCurrentSurface(EGL_DRAW)),
          read_(eglGetCurrentSurface(EGL_READ)), context_(eglGetCurrentContext())
    {
    }
    ~SavedThreadState()
    {
        eglBindAPI(api_);
        if (context_ != EGL_NO_CONTEXT) {
            eglMakeCurrent(display_, draw_, read_, context_);
        }
    }
    SavedThreadState(const SavedThreadState&) = delete;
    SavedThreadState& operator=(const SavedThreadState&) = delete;

private:
    EGLenum api_;
    EGLDisplay display_;
    EGLSurface draw_;
    EGLSurface read_;
    EGLContext context_;
};

// A pbuffer and a 3.3 core context on it, current while this lives.
class ProbeContext {
public:
    explicit ProbeContext(EGLDisplay display) : display_(display)
    {
        const EGLConfig config = DrawableConfig(display);
        if (config == nullptr) {
            return;
        }
        const EGLint size[] = {EGL_WIDTH, kProbeSize, EGL_HEIGHT, kProbeSize, EGL_NONE};
        surface_ = eglCreatePbufferSurface(display, config, size);
        const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,       3,
                                     EGL_CONTEXT_MINOR_VERSION,       3,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                     EGL_NONE};
        context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
        current_ = surface_ != EGL_NO_SURFACE && context_ != EGL_NO_CONTEXT &&
                   eglMakeCurrent(display, surface_, surface_, context_) == EGL_TRUE;
    }
    ~ProbeContext()
    {
        if (current_) {
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
        if (context_ != EGL_NO_CONTEXT) {
            eglDestroyContext(display_, context_);
        }
        if (surface_ != EGL_NO_SURFACE) {
            eglDestroySurface(display_, surface_);
        }
    }
    ProbeContext(const ProbeContext&) = delete;
    ProbeContext& operator=(const ProbeContext&) = delete;

    bool current() const { return current_; }

private:
    EGLDisplay display_;
    EGLSurface surface_ = EGL_NO_SURFACE;
    EGLContext context_ = EGL_NO_CONTEXT;
    bool current_ = false;
};

// The display, filled in with what a 3.3 core context on it reports; nothing
// when the display does not initialise or no such context becomes current.
std::optional<DisplayChoice> TryDisplay(EGLDisplay display, Platform platform)
{
    if (display == EGL_NO_DISPLAY || eglInitialize(display, nullptr, nullptr) != EGL_TRUE) {
        return std::nullopt;
    }
    const SavedThreadState saved;
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        return std::nullopt;
    }
    const ProbeContext probe(display);
    const auto getString = reinterpret_cast<GetString>(eglGetProcAddress("glGetString"));
    const auto getIntegerv = reinterpret_cast<GetIntegerv>(eglGetProcAddress("glGetIntegerv"));
    const unsigned char* renderer = probe.current() && getString ? getString(kRenderer) : nullptr;
    if (renderer == nullptr || getIntegerv == nullptr) {
        return std::nullopt;
    }
    DisplayChoice choice;
    choice.display = display;
    choice.platform = platform;
    choice.renderer = reinterpret_cast<const char*>(renderer);
    getIntegerv(kMaxTextureSize, &choice.largestTexture);
    choice.softwareRenderer = IsSoftwareRenderer(choice.renderer);
    return choice;
}

std::string DeviceString(PFNEGLQUERYDEVICESTRINGEXTPROC queryString, EGLDeviceEXT device, EGLint name)
{
    const char* text = queryString(device, name);
    return text != nullptr ? text : "";
}

struct Devices {
    std::vector<EGLDeviceEXT> handles;
    std::vector<DeviceDescription> descriptions;
};

// Every device libEGL lists; none without the device platform.
Devices EnumerateDevices()
{
    const char* client = ClientExtensions();
    const bool enumerable =
        HasExtension(client, "EGL_EXT_device_enumeration") || HasExtension(client, "EGL_EXT_device_base");
    const auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    const auto queryString =
        reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
    EGLint count = 0;
    if (!enumerable || !HasExtension(client, "EGL_EXT_platform_device") || !queryDevices || !queryString ||
        queryDevices(0, nullptr, &count) != EGL_TRUE || count < 1) {
        return {};
    }
    // The count includes Mesa's software device, which is listed only when
    // the array has room for it.
    Devices devices;
    devices.handles.resize(static_cast<size_t>(count));
    if (queryDevices(count, devices.handles.data(), &count) != EGL_TRUE) {
        return {};
    }
    devices.handles.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const EGLDeviceEXT device = devices.handles[static_cast<size_t>(i)];
        const char* extensions = queryString(device, EGL_EXTENSIONS);
        DeviceDescription description;
        description.index = i;
        if (HasExtension(extensions, "EGL_EXT_device_drm_render_node")) {
            description.renderNode = DeviceString(queryString, device, EGL_DRM_RENDER_NODE_FILE_EXT);
        }
        if (HasExtension(extensions, "EGL_EXT_device_drm")) {
            description.primaryNode = DeviceString(queryString, device, EGL_DRM_DEVICE_FILE_EXT);
        }
        description.kind = KindOf(extensions, description.renderNode, description.primaryNode);
        devices.descriptions.push_back(description);
    }
    return devices;
}

std::optional<DisplayChoice> TryDevice(const Devices& devices, int index)
{
    const EGLDisplay display = eglGetPlatformDisplay(
        EGL_PLATFORM_DEVICE_EXT, devices.handles[static_cast<size_t>(index)], nullptr);
    std::optional<DisplayChoice> choice = TryDisplay(display, Platform::Device);
    if (choice) {
        choice->device = devices.descriptions[static_cast<size_t>(index)];
        choice->softwareRenderer = choice->softwareRenderer || choice->device->kind == DeviceKind::Software;
    }
    return choice;
}

// Without a named device: the devices in order, then the other platforms.
std::optional<DisplayChoice> FirstWorkingDisplay(const Devices& devices)
{
    for (const int index : DeviceOrder(devices.descriptions)) {
        if (std::optional<DisplayChoice> choice = TryDevice(devices, index)) {
            return choice;
        }
    }
    if (HasExtension(ClientExtensions(), "EGL_MESA_platform_surfaceless")) {
        if (std::optional<DisplayChoice> choice = TryDisplay(
                eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
                Platform::Surfaceless)) {
            return choice;
        }
    }
    return TryDisplay(eglGetDisplay(EGL_DEFAULT_DISPLAY), Platform::Default);
}

bool IsIndex(const std::string& value)
{
    return !value.empty() && value.size() < 10 &&
           std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// By their resolved paths: std::filesystem::equivalent refuses device files.
bool SameFile(const std::string& path, const std::string& node)
{
    if (node.empty()) {
        return false;
    }
    if (path == node) {
        return true;
    }
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return !error && resolved == std::filesystem::canonical(node, error) && !error;
}

bool Names(const std::string& value, const DeviceDescription& device)
{
    if (value == "software") {
        return device.kind == DeviceKind::Software;
    }
    if (IsIndex(value)) {
        return std::stoi(value) == device.index;
    }
    return !value.empty() && value[0] == '/' &&
           (SameFile(value, device.renderNode) || SameFile(value, device.primaryNode));
}

std::string KindName(DeviceKind kind)
{
    switch (kind) {
    case DeviceKind::Hardware:
        return "hardware";
    case DeviceKind::Software:
        return "software";
    case DeviceKind::Unidentified:
        break;
    }
    return "neither hardware nor software by its extensions";
}

// "0 (/dev/dri/renderD128, hardware)".
std::string Describe(const DeviceDescription& device)
{
    const std::string& node = device.renderNode.empty() ? device.primaryNode : device.renderNode;
    return std::to_string(device.index) + " (" + (node.empty() ? "" : node + ", ") + KindName(device.kind) + ")";
}

// The devices joined with ", "; "none" when there are none.
std::string Describe(const std::vector<DeviceDescription>& devices)
{
    std::string text;
    for (const DeviceDescription& device : devices) {
        text += (text.empty() ? "" : ", ") + Describe(device);
    }
    return text.empty() ? "none" : text;
}

const char* PlatformName(Platform platform)
{
    switch (platform) {
    case Platform::Device:
        return "device";
    case Platform::Surfaceless:
        return "surfaceless";
    case Platform::Default:
        break;
    }
    return "default";
}

} // namespace

ChoiceSettings ChoiceSettings::FromEnvironment()
{
    ChoiceSettings settings;
    if (const char* device = std::getenv(kDeviceVariable)) {
        settings.device = device;
    }
    const char* required = std::getenv(kRequireGpuVariable);
    const std::string requireGpu = required != nullptr ? required : "";
    if (requireGpu != "" && requireGpu != "0" && requireGpu != "1") {
        throw ChoiceError(Setting(kRequireGpuVariable, requireGpu) +
                          ": expected 1 (a software renderer is an error) or 0");
    }
    settings.requireGpu = requireGpu == "1";
    return settings;
}

DisplayChoice ChooseDisplay(const ChoiceSettings& settings)
{
    const Devices devices = EnumerateDevices();
    std::optional<DisplayChoice> choice;
    if (!settings.device.empty()) {
        const int index = NamedDevice(settings.device, devices.descriptions);
        choice = TryDevice(devices, index);
        if (!choice) {
            throw ChoiceError(Setting(kDeviceVariable, settings.device) + " names device " +
                              Describe(devices.descriptions[static_cast<size_t>(index)]) +
                              ", on which no OpenGL 3.3 core context can be made current; devices found: " +
                              Describe(devices.descriptions));
        }
    } else {
        choice = FirstWorkingDisplay(devices);
        if (!choice) {
            throw ChoiceError("no EGL display makes an OpenGL 3.3 core context current; devices found: " +
                              Describe(devices.descriptions));
        }
    }
    choice->devicesSeen = devices.descriptions;
    if (settings.requireGpu && choice->softwareRenderer) {
        throw ChoiceError(Setting(kRequireGpuVariable, "1") + ", but the renderer is a software one: " +
                          choice->renderer + " on the " + PlatformName(choice->platform) + " platform" +
                          (choice->device ? ", device " + Describe(*choice->device) : std::string()) +
                          "; devices found: " + Describe(devices.descriptions));
    }
    return *choice;
}

std::vector<int> DeviceOrder(const std::vector<DeviceDescription>& devices)
{
    std::vector<int> order(devices.size());
    for (size_t i = 0; i < devices.size(); ++i) {
        order[i] = static_cast<int>(i);
    }
    std::stable_sort(order.begin(), order.end(), [&devices](int a, int b) {
        return devices[static_cast<size_t>(a)].kind < devices[static_cast<size_t>(b)].kind;
    });
    return order;
}

int NamedDevice(const std::string& value, const std::vector<DeviceDescription>& devices)
{
    const auto named =
        std::find_if(devices.begin(), devices.end(), [&value](const DeviceDescription& d) { return Names(value, d); });
    if (named == devices.end()) {
        throw ChoiceError(Setting(kDeviceVariable, value) +
                          " names no EGL device (give an index, a DRM node such as /dev/dri/renderD128, or "
                          "software); devices found: " +
                          Describe(devices));
    }
    return static_cast<int>(named - devices.begin());
}

DeviceKind KindOf(const char* extensions, const std::string& renderNode, const std::string& primaryNode)
{
    if (HasExtension(extensions, "EGL_MESA_device_software")) {
        return DeviceKind::Software;
    }
    return !renderNode.empty() || !primaryNode.empty() || HasExtension(extensions, "EGL_NV_device_cuda")
               ? DeviceKind::Hardware
               : DeviceKind::Unidentified;
}

bool HasExtension(const char* list, const char* name)
{
    std::istringstream words(list != nullptr ? list : "");
    std::string word;
    while (words >> word) {
        if (word == name) {
            return true;
        }
    }
    return false;
}

bool IsSoftwareRenderer(const std::string& renderer)
{
    std::string lower = renderer;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "software"}) {
        if (lower.find(name) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string Report(const DisplayChoice& choice)
{
    return std::string("EGL display (as the effect chooses it):\n  platform: ") + PlatformName(choice.platform) +
           "\n  device: " + (choice.device ? Describe(*choice.device) : "none (not the device platform)") +
           "\n  devices seen: " + Describe(choice.devicesSeen) + "\n  renderer: " + choice.renderer +
           (choice.softwareRenderer ? " (software)" : " (hardware)") +
           "\n  largest texture: " + std::to_string(choice.largestTexture) + "\n";
}

EGLConfig DrawableConfig(EGLDisplay display)
{
    const EGLint attributes[] = {EGL_SURFACE_TYPE,    EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,        8,
                                 EGL_GREEN_SIZE,      8,
                                 EGL_BLUE_SIZE,       8,
                                 EGL_ALPHA_SIZE,      8,
                                 EGL_DEPTH_SIZE,      8,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(display, attributes, &config, 1, &count) != EGL_TRUE || count < 1) {
        return nullptr;
    }
    return config;
}

} // namespace irx_egl
