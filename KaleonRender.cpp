// Smart render: one frame from the host's input world to its output world
// through the calling thread's own OpenGL context.
#include "Kaleon.h"
#include "KaleonFrameValues.h"
#include "KaleonGlobal.h"
#include "KaleonStageTiming.h"
#include "KaleonTransfer.h"
#include "host/SuiteHandler.h"
#include "opengl/Layer.h"

#include <glbinding/gl/gl.h>

#include <algorithm>
#include <cstring>

using namespace gl;
using namespace irxgl;

namespace {

struct Frame {
    PF_InData* in_data;
    PF_EffectWorld* input;
    PF_EffectWorld* output;
    const FrameValues& values;
};

// A frame the host handed no pixels for: nothing to render, nothing to refuse.
bool IsEmpty(const PF_EffectWorld* input, const PF_EffectWorld* output)
{
    return !input || !output || input->width == 0 || input->height == 0 || output->width == 0 ||
           output->height == 0;
}

// Refuses, before any pixel moves, a frame the render targets cannot hold or
// whose output is not the input's size: the pixel transfers assume it is (a
// float frame's upload visits only the pixels both worlds have).
void CheckFrameGeometry(const PF_EffectWorld& input, const PF_EffectWorld& output)
{
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    const int32_t limit = std::min<int32_t>(maxTextureSize, UINT16_MAX);
    if (input.width < 0 || input.height < 0 || input.width > limit || input.height > limit ||
        output.width != input.width || output.height != input.height) {
        throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
    }
}

void SetUniform(GLuint program, const char* name, float value)
{
    glUniform1f(glGetUniformLocation(program, name), value);
}

void SetUniform(GLuint program, const char* name, int32_t value)
{
    glUniform1i(glGetUniformLocation(program, name), value);
}

void PrepareTarget(GLuint framebuffer, GLuint sampledTexture, GLsizei width, GLsizei height)
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    if (FramebufferStatusString() != "OK") {
        throw Fault{ResourcesLoadFailed};
    }
    glBindTexture(GL_TEXTURE_2D, sampledTexture);
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ReportGLErrors(__FILE__, __LINE__);
}

void RunOffsetPass(const EffectRenderData& renderData, GLuint inputTexture,
                   const FrameValues& values, float widthF, float heightF)
{
    PrepareTarget(renderData.framebuffers[0], inputTexture, renderData.width, renderData.height);
    const GLuint program = renderData.programs[0];
    glUseProgram(program);
    SetUniform(program, "widthF", widthF);
    SetUniform(program, "heightF", heightF);
    SetUniform(program, "offsetRot", static_cast<float>(values.rotation));
    SetUniform(program, "offsetScale", static_cast<float>(values.scale));
    SetUniform(program, "offsetPos", static_cast<float>(values.position));
    SetUniform(program, "mode", values.mode);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    ReportGLErrors(__FILE__, __LINE__);
}

// One blur pass: target i samples the previous target's colour texture.
void RunBlurPass(const EffectRenderData& renderData, int target,
                 const FrameValues& values, float widthF, float heightF)
{
    const GLuint program = renderData.programs[target];
    glUseProgram(program);
    SetUniform(program, "radius", static_cast<float>(values.radius));
    SetUniform(program, "steps", values.steps);
    const GLfloat resolution[2] = {widthF, heightF};
    glUniform2fv(glGetUniformLocation(program, "res"), 1, resolution);
    SetUniform(program, "mode", values.mode);
    PrepareTarget(renderData.framebuffers[target], renderData.colorTextures[target - 1],
                  renderData.width, renderData.height);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    ReportGLErrors(__FILE__, __LINE__);
}

// The offset pass, then both blur passes when the frame blurs; the last pass's
// framebuffer stays bound for the read-back.
void RunPasses(const EffectRenderData& renderData, GLuint inputTexture,
               const FrameValues& values, float widthF, float heightF)
{
    glBindVertexArray(renderData.quadVertexArray);
    RunOffsetPass(renderData, inputTexture, values, widthF, heightF);
    if (values.blurOn) {
        RunBlurPass(renderData, 1, values, widthF, heightF);
        RunBlurPass(renderData, 2, values, widthF, heightF);
    }
}

// Gives this thread's holder its context on the thread's first frame and makes
// it current.
void MakeThreadContextCurrent(EffectRenderData& renderData)
{
    if (!renderData.initialized) {
        InitContext(renderData, CommonDataForRenderThreads().get());
        renderData.initialized = true;
    }
    if (!MakeCurrent(renderData)) {
        throw PF_Err(PF_Err_OUT_OF_MEMORY);
    }
}

void RenderWithThreadContext(SuiteHandler& suites, const PF_WorldSuite2& worldSuite,
                             const Frame& frame)
{
    SavedContext savedContext;
    const auto renderData = AcquireThreadRenderData();
    MakeThreadContextCurrent(*renderData);

    CheckFrameGeometry(*frame.input, *frame.output);
    IRX_TIME_STAGE(Rebuild,
                   InitResources(*renderData, static_cast<uint16_t>(frame.input->width),
                                 static_cast<uint16_t>(frame.input->height)));
    const float widthF = static_cast<float>(frame.input->width);
    const float heightF = static_cast<float>(frame.input->height);

    PF_PixelFormat format = PF_PixelFormat_INVALID;
    if (const PF_Err err = worldSuite.PF_GetPixelFormat(frame.input, &format)) {
        throw err;
    }

    uint64_t bytesPerPixel = sizeof(PF_PixelFloat);
    GLenum componentType = GL_FLOAT;
    InputTexture inputTexture;
    IRX_TIME_STAGE(Upload, UploadInputTexture(inputTexture, suites, format, frame.input,
                                              frame.output, frame.in_data, bytesPerPixel,
                                              componentType));
    ReportGLErrors(__FILE__, __LINE__);

    IRX_TIME_STAGE(Passes, RunPasses(*renderData, inputTexture.name(), frame.values, widthF, heightF));
    IRX_TIME_STAGE(ReadBack, ReadBackOutput(*renderData, suites, frame.input, frame.output,
                                            frame.in_data, format, bytesPerPixel, componentType));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// The render block: a thrown host code passes unchanged, anything else is 4.
PF_Err RenderFrame(SuiteHandler& suites, const PF_WorldSuite2& worldSuite, const Frame& frame)
{
    try {
        RenderWithThreadContext(suites, worldSuite, frame);
        return PF_Err_NONE;
    } catch (PF_Err& err) {
        return err;
    } catch (...) {
        return PF_Err_OUT_OF_MEMORY;
    }
}

// Chains a later host call's result: the first error wins.
void KeepFirstError(PF_Err& err, PF_Err next)
{
    if (err == PF_Err_NONE) {
        err = next;
    }
}

} // namespace

PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra)
{
    IRX_TIME_FRAME();
    // Without the checkout callbacks there is nothing to render from or into.
    const PF_SmartRenderCallbacks* callbacks = extra->cb;
    const PF_InteractCallbacks& inter = in_data->inter;
    if (callbacks == nullptr || callbacks->checkout_layer_pixels == nullptr ||
        callbacks->checkin_layer_pixels == nullptr || callbacks->checkout_output == nullptr ||
        inter.checkout_param == nullptr || inter.checkin_param == nullptr ||
        inter.abort == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    SuiteHandler suites(in_data->pica_basicP);
    ScopedSuite<PF_WorldSuite2> worldSuite(in_data, kPFWorldSuite, kPFWorldSuiteVersion2,
                                           out_data, kSuiteMissingMessage);
    const PF_ProgPtr effect = in_data->effect_ref;
    const PF_SmartRenderCallbacks& host = *callbacks;

    PF_Err err = PF_Err_NONE;
    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* output = nullptr;
    err = host.checkout_layer_pixels(effect, kInputCheckoutId, &input);
    if (!err) {
        err = host.checkout_output(effect, &output);
    }

    PF_ParamDef params[PARAM_COUNT];
    std::memset(params, 0, sizeof(params));
    for (int32_t i = 0; i < PARAM_COUNT && !err; ++i) {
        err = inter.checkout_param(effect, i, in_data->current_time, in_data->time_step,
                                   in_data->time_scale, &params[i]);
    }
    const FrameValues values = ComputeFrameValues(params, in_data->downsample_x);

    if (!err) {
        err = host.checkout_layer_pixels(effect, kInputCheckoutId, &input);
        if (!err) {
            err = host.checkout_output(effect, &output);
        }
        if (!err && !IsEmpty(input, output)) {
            err = RenderFrame(suites, *worldSuite, Frame{in_data, input, output, values});
        }
        if (!err) {
            err = inter.abort(effect);
        }
    }

    for (PF_ParamDef& param : params) {
        KeepFirstError(err, inter.checkin_param(effect, &param));
    }
    KeepFirstError(err, host.checkin_layer_pixels(effect, kInputCheckoutId));
    return err;
}
