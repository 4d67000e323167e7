// A render thread's OpenGL objects: the full-frame quad, three float render
// targets and the three programs.
#include "Layer.h"
#include "Diagnostics.h"

#include "KaleonShaders.h"

#include <glbinding/gl33core/gl.h>

using namespace gl33core;

namespace irxgl {
namespace {

// Triangle fan over clip space: position x, y, z, then texture u, v.
constexpr GLfloat kQuadVertices[20] = {
    -1.0f, -1.0f, 0.0f, 0.0f, 0.0f, //
    -1.0f, 1.0f,  0.0f, 0.0f, 1.0f, //
    1.0f,  1.0f,  0.0f, 1.0f, 1.0f, //
    1.0f,  -1.0f, 0.0f, 1.0f, 0.0f,
};
constexpr GLsizei kQuadStride = 5 * sizeof(GLfloat);
constexpr uintptr_t kUvOffset = 3 * sizeof(GLfloat);

void DeleteTargets(EffectRenderData& renderData)
{
    for (int32_t i = 0; i < renderData.targetCount; ++i) {
        if (renderData.framebuffers[i] != 0) {
            glDeleteFramebuffers(1, &renderData.framebuffers[i]);
            renderData.framebuffers[i] = 0;
        }
        if (renderData.colorTextures[i] != 0) {
            glDeleteTextures(1, &renderData.colorTextures[i]);
            renderData.colorTextures[i] = 0;
        }
    }
}

void DeleteQuad(EffectRenderData& renderData)
{
    if (renderData.quadVertexArray != 0) {
        glDeleteBuffers(1, &renderData.quadVertexBuffer);
        glDeleteVertexArrays(1, &renderData.quadVertexArray);
        renderData.quadVertexBuffer = 0;
        renderData.quadVertexArray = 0;
    }
}

void BuildQuad(EffectRenderData& renderData)
{
    glGenVertexArrays(1, &renderData.quadVertexArray);
    glBindVertexArray(renderData.quadVertexArray);
    glGenBuffers(1, &renderData.quadVertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, renderData.quadVertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(kQuadVertices), kQuadVertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kQuadStride, nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, kQuadStride,
                          reinterpret_cast<const void*>(kUvOffset));
    glBindVertexArray(0);
}

// Framebuffer i with a float colour texture of the holder's size attached.
void BuildTarget(EffectRenderData& renderData, int32_t i)
{
    if (renderData.framebuffers[i] == 0) {
        glGenFramebuffers(1, &renderData.framebuffers[i]);
        glBindFramebuffer(GL_FRAMEBUFFER, renderData.framebuffers[i]);
    }
    if (renderData.colorTextures[i] == 0) {
        glGenTextures(1, &renderData.colorTextures[i]);
        glBindTexture(GL_TEXTURE_2D, renderData.colorTextures[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(GL_LINEAR));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(GL_LINEAR));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(GL_MIRRORED_REPEAT));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(GL_MIRRORED_REPEAT));
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(GL_RGBA32F), renderData.width,
                     renderData.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                               renderData.colorTextures[i], 0);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            WriteLine("Framebuffer bad.");
        }
    }
}

// Once per holder: a name of 0 means not built yet. A program that did not
// link is deleted, so that the next call builds it again, and fails the frame.
void BuildPrograms(EffectRenderData& renderData)
{
    const char* const fragmentSources[3] = {offsetShaderSource, blurWShaderSource,
                                            blurHShaderSource};
    bool built = true;
    for (int i = 0; i < 3; ++i) {
        if (renderData.programs[i] == 0 &&
            !BuildProgram(renderData.programs[i], vertexShaderSource, fragmentSources[i])) {
            glDeleteProgram(renderData.programs[i]);
            renderData.programs[i] = 0;
            built = false;
        }
    }
    if (!built) {
        throw Fault{ShaderError};
    }
}

} // namespace

void InitResources(EffectRenderData& renderData, uint16_t width, uint16_t height)
{
    renderData.width = width;
    renderData.height = height;
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    DeleteTargets(renderData);
    DeleteQuad(renderData);
    BuildQuad(renderData);
    for (int32_t i = 0; i < renderData.targetCount; ++i) {
        BuildTarget(renderData, i);
    }

    BuildPrograms(renderData);
}

EffectRenderData::~EffectRenderData()
{
    // Without its own context current (whatever thread this runs on) the
    // deletions would hit another context; the context itself still goes, in
    // the common part's teardown.
    if (!MakeCurrent(*this)) {
        return;
    }
    for (int32_t i = 0; i < targetCount; ++i) {
        if (colorTextures[i] != 0) {
            glDeleteTextures(1, &colorTextures[i]);
        }
        if (framebuffers[i] != 0) {
            glDeleteFramebuffers(1, &framebuffers[i]);
        }
    }
    for (const uint32_t program : programs) {
        if (program != 0) {
            glDeleteProgram(program);
        }
    }
    if (quadVertexArray != 0) {
        glDeleteBuffers(1, &quadVertexBuffer);
        glDeleteVertexArrays(1, &quadVertexArray);
    }
}

} // namespace irxgl
