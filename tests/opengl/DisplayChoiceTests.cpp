// The choice of EGL display: the order devices are tried in, what may name a
// device, and the choice on this machine's EGL, with the device and the
// surfaceless platforms hidden in turn.
#include "WindowSystemSpy.h"
#include "opengl/EglDisplayChoice.h"
#include "tests/support/HostContext.h"
#include "tests/support/ScopedVariable.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace irx_egl;
using testsupport::ScopedVariable;

namespace {

DeviceDescription Device(int index, DeviceKind kind, std::string renderNode = "", std::string primaryNode = "")
{
    return DeviceDescription{index, std::move(renderNode), std::move(primaryNode), kind};
}

// Mesa lists its software device first; a CUDA device may name no node.
const std::vector<DeviceDescription> kDevices = {
    Device(0, DeviceKind::Software), Device(1, DeviceKind::Hardware, "/dev/dri/renderD129", "/dev/dri/card1"),
    Device(2, DeviceKind::Unidentified), Device(3, DeviceKind::Hardware)};

std::string ErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const ChoiceError& e) {
        return e.what();
    }
    return "no error";
}

class ChosenDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        contextsBefore_ = spy::LiveContexts();
        surfacesBefore_ = spy::LiveSurfaces();
    }
    void TearDown() override
    {
        spy::ClearFaults();
        EXPECT_EQ(spy::LiveContexts(), contextsBefore_) << "the probe left a context";
        EXPECT_EQ(spy::LiveSurfaces(), surfacesBefore_) << "the probe left a pbuffer";
    }
    int contextsBefore_ = 0;
    int surfacesBefore_ = 0;
};

} // namespace

TEST(DeviceOrder, HardwareInListOrderThenUnidentifiedThenSoftware)
{
    EXPECT_EQ(DeviceOrder(kDevices), (std::vector<int>{1, 3, 2, 0}));
}

TEST(NamedDevice, AnIndexADrmNodeOrSoftware)
{
    EXPECT_EQ(NamedDevice("0", kDevices), 0);
    EXPECT_EQ(NamedDevice("3", kDevices), 3);
    EXPECT_EQ(NamedDevice("software", kDevices), 0);
    EXPECT_EQ(NamedDevice("/dev/dri/renderD129", kDevices), 1);
    EXPECT_EQ(NamedDevice("/dev/dri/card1", kDevices), 1);
}

TEST(NamedDevice, AnythingElseNamesTheValueAndTheDevicesFound)
{
    for (const std::string value : {"4", "1.0", "gpu", "/dev/dri/renderD130", "dev/dri/renderD129"}) {
        const std::string error = ErrorOf([&] { NamedDevice(value, kDevices); });
        EXPECT_NE(error.find("IRISPLIT_EGL_DEVICE=" + value + " names no EGL device"), std::string::npos) << error;
        EXPECT_NE(error.find("devices found: 0 (software), 1 (/dev/dri/renderD129, hardware), 2 ("),
                  std::string::npos)
            << error;
    }
    EXPECT_NE(ErrorOf([] { NamedDevice("software", {kDevices[1]}); }).find("devices found: 1 ("), std::string::npos);
    EXPECT_NE(ErrorOf([] { NamedDevice("0", {}); }).find("devices found: none"), std::string::npos);
}

TEST(SoftwareRenderer, MesasRasterisersAndNoOther)
{
    EXPECT_TRUE(IsSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(IsSoftwareRenderer("softpipe"));
    EXPECT_FALSE(IsSoftwareRenderer("NVIDIA H100 80GB HBM3/PCIe/SSE2"));
    EXPECT_FALSE(IsSoftwareRenderer("AMD Radeon RX 7900 XTX (radeonsi, navi31, LLVM 15.0.6, DRM 3.54)"));
}

TEST(ChoiceSettings, ReadFromTheTwoVariables)
{
    EXPECT_FALSE(ChoiceSettings::FromEnvironment().requireGpu);
    {
        const ScopedVariable device("IRISPLIT_EGL_DEVICE", "/dev/dri/renderD128");
        const ScopedVariable requireGpu("IRISPLIT_REQUIRE_GPU", "1");
        EXPECT_EQ(ChoiceSettings::FromEnvironment().device, "/dev/dri/renderD128");
        EXPECT_TRUE(ChoiceSettings::FromEnvironment().requireGpu);
    }
    const ScopedVariable requireGpu("IRISPLIT_REQUIRE_GPU", "yes");
    EXPECT_NE(ErrorOf([] { ChoiceSettings::FromEnvironment(); }).find("IRISPLIT_REQUIRE_GPU=yes"), std::string::npos);
}

// No GPU here: Mesa's software device, found by kind, by index and by name.
TEST_F(ChosenDisplay, MesasSoftwareDeviceHere)
{
    const DisplayChoice choice = ChooseDisplay({});
    EXPECT_EQ(choice.platform, Platform::Device);
    ASSERT_TRUE(choice.device.has_value());
    EXPECT_EQ(choice.device->kind, DeviceKind::Software);
    EXPECT_EQ(choice.devicesSeen.size(), 1u) << Describe(choice.devicesSeen);
    EXPECT_TRUE(choice.softwareRenderer);
    EXPECT_NE(choice.renderer.find("llvmpipe"), std::string::npos) << choice.renderer;
    EXPECT_GE(choice.largestTexture, 1024); // what OpenGL 3.3 promises at least

    EXPECT_EQ(ChooseDisplay({"software"}).display, choice.display);
    EXPECT_EQ(ChooseDisplay({std::to_string(choice.device->index)}).display, choice.display);
}

TEST_F(ChosenDisplay, NamingAMissingDeviceOrRequiringAGpuIsAnError)
{
    const std::string missing = ErrorOf([] { ChooseDisplay({"/dev/dri/renderD200"}); });
    EXPECT_NE(missing.find("IRISPLIT_EGL_DEVICE=/dev/dri/renderD200 names no EGL device"), std::string::npos);
    EXPECT_NE(missing.find("devices found: 0 (software)"), std::string::npos) << missing;

    const std::string software = ErrorOf([] { ChooseDisplay({"", true}); });
    EXPECT_NE(software.find("IRISPLIT_REQUIRE_GPU=1, but the renderer is a software one: llvmpipe"),
              std::string::npos)
        << software;
    EXPECT_NE(ErrorOf([] { ChooseDisplay({"software", true}); }), "no error");
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

TEST_F(ChosenDisplay, SurfacelessWithoutTheDevicePlatform)
{
    spy::HideDevicePlatform();
    const DisplayChoice choice = ChooseDisplay({});
    EXPECT_EQ(choice.platform, Platform::Surfaceless);
    EXPECT_FALSE(choice.device.has_value());
    EXPECT_TRUE(choice.devicesSeen.empty());
    EXPECT_GE(choice.largestTexture, 1024);
    EXPECT_NE(ErrorOf([] { ChooseDisplay({"0"}); }).find("devices found: none"), std::string::npos);
}

// Headless, Mesa's default display is what EGL_PLATFORM names (read once
// per process, at the first default display).
TEST_F(ChosenDisplay, DefaultDisplayWithoutTheDeviceOrSurfacelessPlatform)
{
    spy::HideDevicePlatform();
    spy::HideSurfacelessPlatform();
    const ScopedVariable platform("EGL_PLATFORM", "surfaceless");
    const DisplayChoice choice = ChooseDisplay({});
    EXPECT_EQ(choice.platform, Platform::Default);
    EXPECT_GE(choice.largestTexture, 1024);
}
