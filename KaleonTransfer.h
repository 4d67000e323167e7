// Moving a frame between the host's worlds and OpenGL: the input world into
// a new texture, the bound framebuffer back into the output world. Channels
// keep their memory order (alpha, red, green, blue) and rows are not flipped.
#pragma once

#include "Kaleon.h"
#include "host/SuiteHandler.h"
#include "opengl/Layer.h"

#include <glbinding/gl/types.h>

// What the float path's per-pixel callbacks work on: rows of `world->width`
// pixels packed without gaps.
struct StagingRef {
    PF_PixelFloat* staging;
    const PF_EffectWorld* world;
};

PF_Err CopyToStaging(void* refcon, int32_t x, int32_t y, PF_PixelFloat* source,
                     PF_PixelFloat* destination);
PF_Err CopyFromStaging(void* refcon, int32_t x, int32_t y, PF_PixelFloat* source,
                       PF_PixelFloat* destination);

// The frame's input texture: one GL_TEXTURE_2D name, deleted with the owner on
// every path. Made and destroyed with the render thread's context current.
class InputTexture {
public:
    InputTexture();
    ~InputTexture();
    InputTexture(const InputTexture&) = delete;
    InputTexture& operator=(const InputTexture&) = delete;

    gl::GLuint name() const { return name_; }

private:
    gl::GLuint name_ = 0;
};

// Fills `texture` with the input frame, stored in the sized format that keeps
// the frame's depth, and reports how the frame's pixels travel.
void UploadInputTexture(InputTexture& texture, SuiteHandler& suites, PF_PixelFormat format,
                        PF_EffectWorld* input, PF_EffectWorld* output, PF_InData* in_data,
                        uint64_t& bytesPerPixel, gl::GLenum& componentType);

// Fills the output world from the framebuffer bound now, `renderData.width` x
// `renderData.height` pixels of it.
void ReadBackOutput(const irxgl::EffectRenderData& renderData, SuiteHandler& suites,
                    PF_EffectWorld* input, PF_EffectWorld* output, PF_InData* in_data,
                    PF_PixelFormat format, uint64_t bytesPerPixel, gl::GLenum componentType);
