// The choice of EGL display: the order devices are tried in, what may name a
// device, and the choice on this machine's EGL, with the device and the
// surfaceless platforms hidden in turn.
#include "LayerTestSupport.h"
#include "opengl/EglDisplayChoice.h"

#include <cstdlib>
#include <functional>

using namespace irx_egl;

namespace {

// Mesa lists its software device first; a CUDA device may name no node.
const std::vector<DeviceDescription> kDevices = {{0, "", "", DeviceKind::Software},
                                                 {1, "/dev/dri/renderD129", "/dev/dri/card1", DeviceKind::Hardware},
                                                 {2, "", "", DeviceKind::Unidentified},
                                                 {3, "", "", DeviceKind::Hardware}};

// The call throws a ChoiceError whose message holds `text`.
::testing::AssertionResult FailsWith(const std::function<void()>& call, const std::string& text)
{
    try {
        call();
    } catch (const ChoiceError& e) {
        return std::string(e.what()).find(text) != std::string::npos ? ::testing::AssertionSuccess()
                                                                     : ::testing::AssertionFailure() << e.what();
    }
    return ::testing::AssertionFailure() << "no error";
}

// Every probe's context and pbuffer are gone again.
using ChosenDisplay = layertest::LayerTest;

} // namespace

// Tried hardware first in list order, then unidentified, then software; named
// by index, DRM node or "software" and nothing else.
TEST(DeviceChoice, OrderAndNames)
{
    EXPECT_EQ(DeviceOrder(kDevices), (std::vector<int>{1, 3, 2, 0}));
    EXPECT_EQ(NamedDevice("3", kDevices), 3);
    EXPECT_EQ(NamedDevice("software", kDevices), 0);
    EXPECT_EQ(NamedDevice("/dev/dri/renderD129", kDevices), 1);
    EXPECT_EQ(NamedDevice("/dev/dri/card1", kDevices), 1);
    EXPECT_EQ(NamedDevice("/dev/./null", {{0, "/dev/null", "", DeviceKind::Hardware}}), 0); // the node, spelt otherwise
    for (const std::string value : {"4", "1.0", "gpu", "/dev/dri/renderD130", "dev/dri/renderD129"}) {
        const auto named = [&] { NamedDevice(value, kDevices); };
        EXPECT_TRUE(FailsWith(named, "IRISPLIT_EGL_DEVICE=" + value + " names no EGL device"));
        EXPECT_TRUE(FailsWith(named, "devices found: 0 (software), 1 (/dev/dri/renderD129, hardware), 2 ("));
    }
    EXPECT_FALSE(IsSoftwareRenderer("NVIDIA H100 80GB HBM3/PCIe/SSE2"));
    setenv("IRISPLIT_REQUIRE_GPU", "yes", 1);
    EXPECT_TRUE(FailsWith([] { ChoiceSettings::FromEnvironment(); }, "IRISPLIT_REQUIRE_GPU=yes"));
    unsetenv("IRISPLIT_REQUIRE_GPU");
}

// No GPU here: Mesa's software device, found by kind, by index and by name,
// refused where a GPU is required.
TEST_F(ChosenDisplay, MesasSoftwareDeviceHere)
{
    const DisplayChoice choice = ChooseDisplay({});
    EXPECT_EQ(choice.platform, Platform::Device);
    ASSERT_TRUE(choice.device.has_value());
    EXPECT_EQ(choice.device->kind, DeviceKind::Software);
    EXPECT_TRUE(choice.softwareRenderer);
    EXPECT_GE(choice.largestTexture, 1024); // what OpenGL 3.3 promises at least
    EXPECT_EQ(ChooseDisplay({"software"}).display, choice.display);
    EXPECT_EQ(ChooseDisplay({std::to_string(choice.device->index)}).display, choice.display);

    EXPECT_TRUE(FailsWith([] { ChooseDisplay({"/dev/dri/renderD200"}); }, "devices found: 0 (software)"));
    EXPECT_TRUE(FailsWith([] { ChooseDisplay({"", true}); },
                          "IRISPLIT_REQUIRE_GPU=1, but the renderer is a software one: llvmpipe"));
}

// The probe's context comes and goes: the caller's context and API stay.
TEST_F(ChosenDisplay, LeavesTheCallersContextAndApiAsTheyWere)
{
    {
        testsupport::HostContext host;
        ChooseDisplay({});
        EXPECT_TRUE(host.isCurrent());
        EXPECT_EQ(eglQueryAPI(), static_cast<EGLenum>(EGL_OPENGL_API));
    }
    std::thread([] {
        ChooseDisplay({});
        EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
        EXPECT_EQ(eglQueryAPI(), static_cast<EGLenum>(EGL_OPENGL_ES_API)); // EGL's initial API
    }).join();
}

// Headless, Mesa's default display is what EGL_PLATFORM names (read once
// per process, at the first default display).
TEST_F(ChosenDisplay, SurfacelessWithoutTheDevicePlatformThenTheDefaultDisplay)
{
    spy::HideDevicePlatform();
    const DisplayChoice surfaceless = ChooseDisplay({});
    EXPECT_EQ(surfaceless.platform, Platform::Surfaceless);
    EXPECT_TRUE(surfaceless.devicesSeen.empty());
    EXPECT_TRUE(FailsWith([] { ChooseDisplay({"0"}); }, "devices found: none"));

    spy::HideSurfacelessPlatform();
    setenv("EGL_PLATFORM", "surfaceless", 1);
    EXPECT_EQ(ChooseDisplay({}).platform, Platform::Default);
    unsetenv("EGL_PLATFORM");
}
