// Fault texts, framebuffer states and the OpenGL error report.
#include "Layer.h"
#include "Diagnostics.h"

#include <glbinding/gl/gl.h>

// The whole enumeration: the stack errors are not in the 3.3 core set.
using namespace gl;

namespace irxgl {
namespace {

const char* ErrorName(GLenum error)
{
    switch (error) {
    case GL_INVALID_ENUM:
        return "INVALID_ENUM";
    case GL_INVALID_VALUE:
        return "INVALID_VALUE";
    case GL_INVALID_OPERATION:
        return "INVALID_OPERATION";
    case GL_STACK_OVERFLOW:
        return "STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW:
        return "STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY:
        return "OUT_OF_MEMORY";
    case GL_INVALID_FRAMEBUFFER_OPERATION:
        return "INVALID_FRAMEBUFFER_OPERATION";
    default:
        return "";
    }
}

} // namespace

std::string FaultString(int32_t code)
{
    switch (code) {
    case Ok:
        return "OK";
    case OsCallsFailed:
        return "OS specific calls failed!";
    case OsUnloadFailed:
        return "OS specific unloading error!";
    case ResourcesLoadFailed:
        return "OpenGL resources failed to load!";
    case ResourcesUnloadFailed:
        return "OpenGL resources failed to un-load!";
    case ExtensionsNotFound:
        return "Appropriate OpenGL extensions not found!";
    case ShaderError:
        return "Shader Error!";
    case UnknownError:
        return "Unknown IrxGL error!";
    default:
        return "Unknown Error Code!";
    }
}

std::string FramebufferStatusString()
{
    switch (glCheckFramebufferStatus(GL_FRAMEBUFFER)) {
    case GL_FRAMEBUFFER_COMPLETE:
        return "OK";
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT:
        return "Framebuffer incomplete, incomplete attachment!";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
        return "Framebuffer incomplete, missing attachment!";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER:
        return "Framebuffer incomplete, missing draw buffer!";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER:
        return "Framebuffer incomplete, missing read buffer!";
    case GL_FRAMEBUFFER_UNSUPPORTED:
        return "Unsupported framebuffer format!";
    default:
        return "Unknown error!";
    }
}

void ReportGLErrors(const char* sourceFile, int line)
{
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        WriteLine(std::string(ErrorName(error)) + " | " + sourceFile + " (" +
                  std::to_string(line) + ")");
    }
}

} // namespace irxgl
