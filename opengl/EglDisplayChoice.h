// Which EGL display the process renders with. With the device platform: the
// device named in IRISPLIT_EGL_DEVICE, else the hardware devices in
// enumeration order and Mesa's software device last; without it, or when no
// device works, Mesa's surfaceless platform, then the default display. The
// effect module and the irisplit tool both choose through here, so that the
// tool's limits are those of the device the effect renders on.
#pragma once

#include <EGL/egl.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace irx_egl {

// In the order they are tried.
enum class DeviceKind { Hardware, Unidentified, Software };

struct DeviceDescription {
    int index = 0;
    std::string renderNode;  // empty when the device names none
    std::string primaryNode; // likewise
    DeviceKind kind = DeviceKind::Unidentified;
};

enum class Platform { Device, Surfaceless, Default };

struct ChoiceSettings {
    std::string device; // an index, a DRM node path or "software"; empty: choose by kind
    bool requireGpu = false;

    // From the two environment variables. Throws ChoiceError when
    // IRISPLIT_REQUIRE_GPU is neither 0 nor 1.
    static ChoiceSettings FromEnvironment();
};

struct DisplayChoice {
    EGLDisplay display = EGL_NO_DISPLAY; // initialised, never terminated
    Platform platform = Platform::Default;
    std::optional<DeviceDescription> device; // on the device platform
    std::vector<DeviceDescription> devicesSeen;
    std::string renderer; // GL_RENDERER of a 3.3 core context on the display
    int largestTexture = 0;
    bool softwareRenderer = false;
};

struct ChoiceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Tries the candidates in order and takes the first whose display initialises
// and makes a 3.3 core context current on a drawable of DrawableConfig. The
// calling thread's current context and bound API are as before on return.
// Throws ChoiceError, naming what was asked for and the devices found, when
// the named device is not there or does not work, when nothing works, or when
// a GPU is required and the renderer is a software one.
DisplayChoice ChooseDisplay(const ChoiceSettings& settings);

// The indices of `devices` in the order to try them when none is named.
std::vector<int> DeviceOrder(const std::vector<DeviceDescription>& devices);

// The index of the device that `value` (an index, a DRM node path or
// "software") names. Throws ChoiceError naming the value and the devices.
int NamedDevice(const std::string& value, const std::vector<DeviceDescription>& devices);

// A device's kind by its extensions (null: none) and the DRM nodes it names:
// Mesa's software device even where it names a node.
DeviceKind KindOf(const char* extensions, const std::string& renderNode, const std::string& primaryNode);

// Whether the space-separated extension list (null: none) holds the name as a
// whole word.
bool HasExtension(const char* list, const char* name);

// Whether the GL_RENDERER text is one of Mesa's software rasterisers.
bool IsSoftwareRenderer(const std::string& renderer);

// The choice as a heading and indented lines: platform, device, devices
// seen, renderer and its largest texture.
std::string Report(const DisplayChoice& choice);

// The RGBA8 pbuffer configuration with a depth buffer that renders OpenGL;
// null when the display has none.
EGLConfig DrawableConfig(EGLDisplay display);

} // namespace irx_egl
