// irisplit info reports what the host learns from the module itself.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

namespace tooltest {
namespace {

TEST(InfoTool, ReportsPiplRegistrationAboutAndEveryParameterWithItsRange)
{
    const RunResult run = RunIrisplit({"info"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const char* text : {"PiPL (12 properties)", "name  id 0, 16 bytes: \"Irisplit 2.0\"",
                             "eINF  id 0, 2 bytes: 0x0000", "eMNA  id 0, 8 bytes: \"Vantrel\"",
                             "aeFL  id 0, 4 bytes: 0x00000008", "match name \"ADBE Kaleon\"",
                             "kind eFKT, API 13.15", "Irisplit v2.0\nSeparates color channels",
                             "OpenGL Renderer:", "my_version 0x00100001 = 2.0", "num_params 6",
                             "\"Position\"  id 2, float slider, valid -2000 to 2000, slider -500 to 500, default 0.5",
                             "\"Blur\"  id 5, float slider, valid 0 to 1000, slider 0 to 100, default 0"}) {
        EXPECT_NE(run.output.find(text), std::string::npos) << "missing '" << text << "' in:\n" << run.output;
    }
}

} // namespace
} // namespace tooltest
