#include "KaleonTransfer.h"

#include <glbinding/gl/gl.h>

#include <cstring>
#include <memory>

using namespace gl;

namespace {

// Restores the unpack row length and the 2D texture binding on every path.
class ScopedUnpackState {
public:
    ScopedUnpackState(GLuint texture, GLint rowLength)
    {
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    }
    ~ScopedUnpackState()
    {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    ScopedUnpackState(const ScopedUnpackState&) = delete;
    ScopedUnpackState& operator=(const ScopedUnpackState&) = delete;
};

// A locked host block from the Handle suite: unlocked and disposed on every path.
class LockedHostBlock {
public:
    LockedHostBlock(const PF_HandleSuite1& suite, uint64_t size) : suite_(suite)
    {
        handle_ = suite_.host_new_handle(size);
        if (!handle_) {
            throw PF_Err(PF_Err_OUT_OF_MEMORY);
        }
        data_ = suite_.host_lock_handle(handle_);
        if (!data_) {
            suite_.host_dispose_handle(handle_);
            throw PF_Err(PF_Err_OUT_OF_MEMORY);
        }
    }
    ~LockedHostBlock()
    {
        suite_.host_unlock_handle(handle_);
        suite_.host_dispose_handle(handle_);
    }
    LockedHostBlock(const LockedHostBlock&) = delete;
    LockedHostBlock& operator=(const LockedHostBlock&) = delete;

    uint8_t* data() const { return static_cast<uint8_t*>(data_); }

private:
    const PF_HandleSuite1& suite_;
    PF_Handle handle_ = nullptr;
    void* data_ = nullptr;
};

// The staging index of (x, y), or -1 when the host iterates outside the world.
int64_t StagingIndex(const StagingRef& ref, int32_t x, int32_t y)
{
    if (x < 0 || y < 0 || x >= ref.world->width || y >= ref.world->height) {
        return -1;
    }
    return static_cast<int64_t>(y) * ref.world->width + x;
}

template <typename Pixel>
uint8_t* FirstPixel(PF_Err (*getPixelData)(PF_EffectWorld*, void*, Pixel**), PF_EffectWorld* world)
{
    Pixel* first = nullptr;
    if (!getPixelData) {
        throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
    }
    if (const PF_Err err = getPixelData(world, nullptr, &first)) {
        throw err;
    }
    if (!first) {
        throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
    }
    return reinterpret_cast<uint8_t*>(first);
}

// First pixel of an 8-bit or 16-bit world, through the host's utils.
uint8_t* FirstIntegerPixel(PF_InData* in_data, PF_PixelFormat format, PF_EffectWorld* world)
{
    if (in_data->utils == nullptr) {
        throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
    }
    if (format == PF_PixelFormat_ARGB64) {
        return FirstPixel(in_data->utils->get_pixel_data16, world);
    }
    return FirstPixel(in_data->utils->get_pixel_data8, world);
}

// The sized texture format that stores the host's format without loss.
GLenum InternalFormat(PF_PixelFormat format)
{
    switch (format) {
    case PF_PixelFormat_ARGB32:
        return GL_RGBA8;
    case PF_PixelFormat_ARGB64:
        return GL_RGBA16;
    default:
        return GL_RGBA32F;
    }
}

void Iterate(SuiteHandler& suites, PF_InData* in_data, PF_EffectWorld* input,
             StagingRef& ref, PF_IteratePixelFloatFunc function, PF_EffectWorld* output)
{
    const PF_iterateFloatSuite1* iterateSuite = suites.IterateFloatSuite1();
    if (const PF_Err err = iterateSuite->iterate(in_data, 0, input->height, input, nullptr, &ref,
                                                 function, output)) {
        throw err;
    }
}

// Bytes per pixel of the host's three formats; throws 516 for any other code.
uint64_t BytesPerPixel(PF_PixelFormat format)
{
    switch (format) {
    case PF_PixelFormat_ARGB32:
        return sizeof(PF_Pixel8);
    case PF_PixelFormat_ARGB64:
        return sizeof(PF_Pixel16);
    case PF_PixelFormat_ARGB128:
        return sizeof(PF_PixelFloat);
    default:
        throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
    }
}

// Throws 516 unless the world's rows hold `width` pixels of the format and
// start on a pixel boundary.
void CheckWorldLayout(const PF_EffectWorld& world, uint64_t bytesPerPixel)
{
    const int64_t rowbytes = world.rowbytes;
    if (rowbytes < static_cast<int64_t>(world.width) * static_cast<int64_t>(bytesPerPixel) ||
        rowbytes % static_cast<int64_t>(bytesPerPixel) != 0) {
        throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
    }
}

} // namespace

InputTexture::InputTexture() { glGenTextures(1, &name_); }

InputTexture::~InputTexture()
{
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &name_);
}

PF_Err CopyToStaging(void* refcon, int32_t x, int32_t y, PF_PixelFloat* source, PF_PixelFloat*)
{
    const StagingRef& ref = *static_cast<const StagingRef*>(refcon);
    const int64_t index = StagingIndex(ref, x, y);
    if (index < 0) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    ref.staging[index] = *source;
    return PF_Err_NONE;
}

PF_Err CopyFromStaging(void* refcon, int32_t x, int32_t y, PF_PixelFloat*,
                       PF_PixelFloat* destination)
{
    const StagingRef& ref = *static_cast<const StagingRef*>(refcon);
    const int64_t index = StagingIndex(ref, x, y);
    if (index < 0) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *destination = ref.staging[index];
    return PF_Err_NONE;
}

void UploadInputTexture(InputTexture& texture, SuiteHandler& suites, PF_PixelFormat format,
                        PF_EffectWorld* input, PF_EffectWorld* output, PF_InData* in_data,
                        uint64_t& bytesPerPixel, GLenum& componentType)
{
    const uint64_t pixelSize = BytesPerPixel(format);
    CheckWorldLayout(*input, pixelSize);
    CheckWorldLayout(*output, pixelSize);

    const GLsizei width = input->width;
    const GLsizei height = input->height;
    const bool isFloat = format == PF_PixelFormat_ARGB128;
    ScopedUnpackState unpack(texture.name(),
                             isFloat ? width : static_cast<GLint>(input->rowbytes / pixelSize));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, InternalFormat(format), width, height, 0, GL_RGBA, GL_FLOAT,
                 nullptr);

    bytesPerPixel = pixelSize;
    if (isFloat) {
        componentType = GL_FLOAT;
        const uint64_t pixelCount = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
        std::unique_ptr<PF_PixelFloat[]> staging(new PF_PixelFloat[pixelCount]);
        StagingRef ref{staging.get(), input};
        Iterate(suites, in_data, input, ref, CopyToStaging, output);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_FLOAT, staging.get());
        return;
    }
    componentType = format == PF_PixelFormat_ARGB64 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE;
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, componentType,
                    FirstIntegerPixel(in_data, format, input));
}

void ReadBackOutput(const irxgl::EffectRenderData& renderData, SuiteHandler& suites,
                    PF_EffectWorld* input, PF_EffectWorld* output, PF_InData* in_data,
                    PF_PixelFormat format, uint64_t bytesPerPixel, GLenum componentType)
{
    const uint64_t width = renderData.width;
    const uint64_t height = renderData.height;
    const uint64_t rowSize = width * bytesPerPixel;
    LockedHostBlock block(*suites.HandleSuite1(), rowSize * height);

    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGBA,
                 componentType, block.data());

    if (format == PF_PixelFormat_ARGB128) {
        StagingRef ref{reinterpret_cast<PF_PixelFloat*>(block.data()), input};
        Iterate(suites, in_data, input, ref, CopyFromStaging, output);
        return;
    }
    if (format != PF_PixelFormat_ARGB64 && format != PF_PixelFormat_ARGB32) {
        throw PF_Err(PF_Err_BAD_CALLBACK_PARAM);
    }
    uint8_t* outputBase = FirstIntegerPixel(in_data, format, output);
    const uint64_t copySize = static_cast<uint64_t>(output->width) * bytesPerPixel;
    for (int64_t y = 0; y < output->height; ++y) {
        std::memcpy(outputBase + y * static_cast<int64_t>(output->rowbytes),
                    block.data() + static_cast<uint64_t>(y) * rowSize, copySize);
    }
}
