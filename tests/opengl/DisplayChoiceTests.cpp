// The choice of EGL display: the devices' order, kinds and names, the variables,
// and the choice on this machine's EGL, with its platforms hidden in turn.
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

// Devices tried hardware first, then unidentified, then software, each kind in
// list order; named by index, node or "software" only; kinds by whole extension
// names; IRISPLIT_REQUIRE_GPU 1 or 0 (empty: unset), nothing else.
TEST(DeviceChoice, OrderNamesKindsAndVariables)
{
    EXPECT_EQ(DeviceOrder(kDevices), (std::vector<int>{1, 3, 2, 0}));
    EXPECT_EQ(DeviceOrder(std::vector<DeviceDescription>(17, kDevices[1])).front(), 0); // past a stable-by-chance size
    for (const auto& [value, index] : std::vector<std::pair<std::string, int>>{
             {"0", 0}, {"3", 3}, {"software", 0}, {"/dev/dri/renderD129", 1}, {"/dev/dri/card1", 1}}) {
        EXPECT_EQ(NamedDevice(value, kDevices), index) << value;
    }
    EXPECT_EQ(NamedDevice("/dev/./null", {{0, "/dev/null", "", DeviceKind::Hardware}}), 0); // the node, spelt otherwise
    for (const std::string value :
         {"4", "9999999999", "", "1.0", "-1", " 1", "gpu", "/dev/dri/renderD130", "dev/dri/renderD129"}) {
        EXPECT_TRUE(FailsWith([&] { NamedDevice(value, kDevices); },
                              "IRISPLIT_EGL_DEVICE=" + value + " names no EGL device (give an index, a DRM node such as "
                              "/dev/dri/renderD128, or software); devices found: 0 (software), 1 (/dev/dri/renderD129, "
                              "hardware), 2 (neither hardware nor software by its extensions), 3 (hardware)"));
    }
    EXPECT_EQ(KindOf("EGL_MESA_device_software", "/dev/dri/renderD128", ""), DeviceKind::Software);
    EXPECT_EQ(KindOf("EGL_EXT_device_drm_render_node", "/dev/dri/renderD128", ""), DeviceKind::Hardware);
    EXPECT_EQ(KindOf("EGL_EXT_device_drm", "", "/dev/dri/card0"), DeviceKind::Hardware);
    EXPECT_EQ(KindOf("EGL_NV_device_cuda", "", ""), DeviceKind::Hardware);
    EXPECT_EQ(KindOf("EGL_NV_device_cuda_x EGL_MESA_device_software_x", "", ""), DeviceKind::Unidentified);
    EXPECT_EQ(KindOf(nullptr, "", ""), DeviceKind::Unidentified);
    for (const std::string renderer : {"Gallium 0.4 on softpipe", "swrast", "Software Rasterizer"}) {
        EXPECT_TRUE(IsSoftwareRenderer(renderer)) << renderer;
    }
    EXPECT_FALSE(IsSoftwareRenderer("AMD Radeon RX 6800 (navi21, LLVM 15.0.6, DRM 3.49, 6.1.0)"));
    for (const std::string value : {"1", "0", "", "yes", "2", "true", " 1", "01"}) {
        setenv("IRISPLIT_REQUIRE_GPU", value.c_str(), 1);
        const auto required = [] { return ChoiceSettings::FromEnvironment().requireGpu; };
        EXPECT_TRUE(value.size() > 1 || value == "2" ? FailsWith(required, "IRISPLIT_REQUIRE_GPU=" + value + ": expected")
                                                     : ::testing::AssertionResult(required() == (value == "1")));
    }
    unsetenv("IRISPLIT_REQUIRE_GPU");
}

// No GPU here: Mesa's software device, refused where a GPU is required; named
// or not, a device that does not work is an error. The caller's context and API stay.
TEST_F(ChosenDisplay, MesasSoftwareDeviceHere)
{
    testsupport::HostContext host;
    const DisplayChoice choice = ChooseDisplay({});
    EXPECT_TRUE(host.isCurrent());
    EXPECT_EQ(eglQueryAPI(), static_cast<EGLenum>(EGL_OPENGL_API));
    EXPECT_EQ(Report(choice), "EGL display (as the effect chooses it):\n  platform: device\n  device: 0 (software)\n  "
                              "devices seen: 0 (software)\n  renderer: " + choice.renderer + " (software)\n  largest "
                              "texture: " + std::to_string(host.maxTextureSize()) + "\n");
    EXPECT_TRUE(FailsWith([] { ChooseDisplay({"", true}); }, " on the device platform, device 0 (software); devices "
                                                             "found: 0 (software)"));
    spy::FailContextCreation();
    EXPECT_TRUE(FailsWith([] { ChooseDisplay({"0"}); }, "IRISPLIT_EGL_DEVICE=0 names device 0 (software), on which no "
                                                        "OpenGL 3.3 core context can be made current; devices found: 0"));
    EXPECT_TRUE(FailsWith([] { ChooseDisplay({}); }, "no EGL display makes an OpenGL 3.3 core context current; devices "
                                                     "found: 0 (software)"));
    spy::ClearFaults();
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
    const std::string surfaceless = Report(ChooseDisplay({}));
    EXPECT_NE(surfaceless.find("platform: surfaceless\n  device: none (not the device platform)\n  devices seen: "
                               "none\n  renderer: llvmpipe"), std::string::npos) << surfaceless;
    EXPECT_TRUE(FailsWith([] { ChooseDisplay({"", true}); }, "on the surfaceless platform; devices found: none"));

    spy::HideSurfacelessPlatform();
    setenv("EGL_PLATFORM", "surfaceless", 1);
    EXPECT_NE(Report(ChooseDisplay({})).find("  platform: default\n"), std::string::npos);
    unsetenv("EGL_PLATFORM");
}
