// Program building and the OpenGL error report, on a render-thread context of
// the test's own thread.
#include "LayerTestSupport.h"

#include <glbinding/gl/gl.h>

using namespace irxgl;
using namespace gl;
using namespace layertest;

namespace {

class Diagnostics : public LayerTest {
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        QuietGlobalSetup();
        testing::internal::CaptureStdout();
        renderData_ = SetUpRenderThread();
        testing::internal::GetCapturedStdout();
    }
    void TearDown() override
    {
        renderData_.reset();
        LayerTest::TearDown();
    }

    std::shared_ptr<EffectRenderData> renderData_;
};

std::string BuildAndCapture(const std::string& vertexSource, const std::string& fragmentSource,
                            bool links)
{
    uint32_t program = 0;
    testing::internal::CaptureStdout();
    bool linked = !links;
    EXPECT_NO_THROW(linked = BuildProgram(program, vertexSource.c_str(), fragmentSource.c_str()));
    EXPECT_EQ(linked, links);
    EXPECT_EQ(glIsProgram(program), GL_TRUE);
    return testing::internal::GetCapturedStdout();
}

// A broken stage prints its log, cut to 511 characters, under its header
// (the fragment stage has none), then the link log under its own; a good
// program prints nothing. Only a good program reports that it linked.
TEST_F(Diagnostics, BrokenShadersPrintTheirLogsUnderTheRightHeaders)
{
    const std::string vertex = "#version 330\nvoid main() { gl_Position = vec4(0.0); }\n";
    const std::string fragment = "#version 330\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";
    std::string broken = "#version 330\nvoid main() {\n";
    for (int line = 0; line < 40; ++line) {
        broken += "undeclared" + std::to_string(line) + " = 1;\n";
    }
    broken += "}\n";
    const std::string link = "\nERROR::SHADER::PROGRAM_LINKING_FAILED\n";

    const std::string brokenVertex = BuildAndCapture(broken, fragment, false);
    const std::string vertexHeader = "ERROR::SHADER::VERTEX::COMPILATION_FAILED\n";
    EXPECT_EQ(brokenVertex.rfind(vertexHeader, 0), 0u) << brokenVertex;
    EXPECT_EQ(brokenVertex.find(link), vertexHeader.size() + 511) << brokenVertex;

    const std::string brokenFragment = BuildAndCapture(vertex, broken, false);
    EXPECT_EQ(brokenFragment.find("VERTEX"), std::string::npos) << brokenFragment;
    EXPECT_EQ(brokenFragment.find(link), 511u) << brokenFragment;

    EXPECT_EQ(BuildAndCapture(vertex, fragment, true), "");
}

TEST_F(Diagnostics, EveryQueuedErrorIsReportedInOrder)
{
    spy::QueueGLErrors({0x501, 0x502, 0x1234});
    testing::internal::CaptureStdout();
    ReportGLErrors("Render.cpp", 42);
    ReportGLErrors("Render.cpp", 43);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "INVALID_VALUE | Render.cpp (42)\n"
                                                      "INVALID_OPERATION | Render.cpp (42)\n"
                                                      " | Render.cpp (42)\n");
}

} // namespace
