// A render thread's objects, program building and the OpenGL error report, on
// a render-thread context of the test's own thread.
#include "LayerTestSupport.h"

#include <glbinding/gl/gl.h>

using namespace AESDK_OpenGL;
using namespace gl;
using namespace layertest;

namespace {

const char* const kVertexSource = "#version 330\nvoid main() { gl_Position = vec4(0.0); }\n";
const char* const kFragmentSource = "#version 330\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";
const char* const kBrokenSource = "#version 330\nvoid main() { this is not glsl }\n";

GLint TextureValue(GLuint texture, GLenum parameter, bool ofLevel0)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    if (ofLevel0) {
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, parameter, &value);
    } else {
        glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    }
    return value;
}

// Text of captured output between two markers.
std::string Between(const std::string& text, const std::string& from, const std::string& to)
{
    const size_t start = text.find(from);
    const size_t end = text.find(to, start + from.size());
    if (start == std::string::npos || end == std::string::npos) {
        return {};
    }
    return text.substr(start + from.size(), end - start - from.size());
}

std::string BuildAndCapture(const char* vertexSource, const char* fragmentSource)
{
    uint32_t program = 0;
    testing::internal::CaptureStdout();
    EXPECT_NO_THROW(AESDK_OpenGL_BuildProgram(program, vertexSource, fragmentSource));
    EXPECT_EQ(glIsProgram(program), GL_TRUE);
    return testing::internal::GetCapturedStdout();
}

} // namespace

class RenderResources : public LayerTest {
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

    void ExpectCompleteFloatTargetsOfSize(GLint width, GLint height)
    {
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const GLuint texture = renderData_->colorTextures[i];
            glBindFramebuffer(GL_FRAMEBUFFER, renderData_->framebuffers[i]);
            GLint attached = 0;
            glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                                  GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &attached);
            EXPECT_EQ(attached, static_cast<GLint>(texture));
            EXPECT_EQ(AESDK_OpenGL_FramebufferStatusString(), "OK");
            EXPECT_EQ(TextureValue(texture, GL_TEXTURE_WIDTH, true), width);
            EXPECT_EQ(TextureValue(texture, GL_TEXTURE_HEIGHT, true), height);
            EXPECT_EQ(TextureValue(texture, GL_TEXTURE_INTERNAL_FORMAT, true),
                      static_cast<GLint>(GL_RGBA32F));
            EXPECT_EQ(TextureValue(texture, GL_TEXTURE_MIN_FILTER, false),
                      static_cast<GLint>(GL_LINEAR));
            EXPECT_EQ(TextureValue(texture, GL_TEXTURE_WRAP_T, false),
                      static_cast<GLint>(GL_MIRRORED_REPEAT));
        }
    }

    std::shared_ptr<AESDK_OpenGL_EffectRenderData> renderData_;
};

TEST_F(RenderResources, RebuildAtANewSizeKeepsTheProgramsAndTheQuad)
{
    testing::internal::CaptureStdout();
    AESDK_OpenGL_InitResources(*renderData_, 1920, 1080);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "a shader log or a bad framebuffer";
    ExpectCompleteFloatTargetsOfSize(1920, 1080);
    uint32_t programs[3];
    std::copy(std::begin(renderData_->programs), std::end(renderData_->programs), programs);

    AESDK_OpenGL_InitResources(*renderData_, 33, 17);
    ExpectCompleteFloatTargetsOfSize(33, 17);
    EXPECT_TRUE(std::equal(std::begin(programs), std::end(programs), renderData_->programs));
    for (const uint32_t program : programs) {
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_NE(linked, 0);
    }

    glBindBuffer(GL_ARRAY_BUFFER, renderData_->quadVertexBuffer);
    GLint quadBytes = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &quadBytes);
    EXPECT_EQ(quadBytes, 80);
    glBindVertexArray(renderData_->quadVertexArray);
    GLint stride = 0;
    void* uvOffset = nullptr;
    glGetVertexAttribiv(1, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
    glGetVertexAttribPointerv(1, GL_VERTEX_ATTRIB_ARRAY_POINTER, &uvOffset);
    EXPECT_EQ(stride, 20);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(uvOffset), 12u);
}

TEST_F(RenderResources, BrokenShadersPrintTheirLogsUnderTheRightHeaders)
{
    const std::string vertex = BuildAndCapture(kBrokenSource, kFragmentSource);
    EXPECT_EQ(vertex.rfind("ERROR::SHADER::VERTEX::COMPILATION_FAILED\n", 0), 0u) << vertex;
    EXPECT_FALSE(Between(vertex, "COMPILATION_FAILED\n", "\nERROR::SHADER::PROGRAM_LINKING_FAILED\n")
                     .empty())
        << vertex;

    const std::string fragment = BuildAndCapture(kVertexSource, kBrokenSource);
    EXPECT_EQ(fragment.find("VERTEX"), std::string::npos);
    const size_t linking = fragment.find("\nERROR::SHADER::PROGRAM_LINKING_FAILED\n");
    EXPECT_NE(linking, std::string::npos) << fragment;
    EXPECT_GT(linking, 0u) << "the fragment shader's log comes first";

    EXPECT_EQ(BuildAndCapture(kVertexSource, kFragmentSource), "");
}

TEST_F(RenderResources, LongShaderLogIsCutTo511Characters)
{
    std::string source = "#version 330\nvoid main() {\n";
    for (int line = 0; line < 40; ++line) {
        source += "undeclared" + std::to_string(line) + " = 1;\n";
    }
    const std::string output = BuildAndCapture((source + "}\n").c_str(), kFragmentSource);
    EXPECT_EQ(Between(output, "COMPILATION_FAILED\n", "\nERROR::SHADER::PROGRAM").size(), 511u)
        << output;
}

TEST_F(RenderResources, EveryQueuedErrorIsReportedInOrder)
{
    spy::QueueGLErrors({0x501, 0x502, 0x1234});
    testing::internal::CaptureStdout();
    ReportGLErrors("Render.cpp", 42);
    ReportGLErrors("Render.cpp", 43);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "INVALID_VALUE | Render.cpp (42)\n"
                                                      "INVALID_OPERATION | Render.cpp (42)\n"
                                                      " | Render.cpp (42)\n");
}

TEST(FaultString, ValuesOutsideTheCodesAreUnknown)
{
    EXPECT_EQ(AESDK_OpenGL_FaultString(7), "Unknown AESDK_OpenGL error!");
    for (const int32_t code : {8, -1, INT32_MIN}) {
        EXPECT_EQ(AESDK_OpenGL_FaultString(code), "Unknown Error Code!");
    }
}
