// Compiling and linking one program, with the logs on standard output.
#include "Layer.h"
#include "Diagnostics.h"

#include <glbinding/gl33core/gl.h>

using namespace gl33core;

namespace irxgl {
namespace {

// Info logs are cut to what fits this buffer with its terminating zero.
constexpr GLsizei kLogBufferSize = 512;

GLuint CompileShader(GLenum kind, const char* source)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

bool Compiled(GLuint shader)
{
    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status != 0;
}

std::string ShaderLog(GLuint shader)
{
    char log[kLogBufferSize] = {};
    glGetShaderInfoLog(shader, kLogBufferSize, nullptr, log);
    return log;
}

std::string ProgramLog(GLuint program)
{
    char log[kLogBufferSize] = {};
    glGetProgramInfoLog(program, kLogBufferSize, nullptr, log);
    return log;
}

} // namespace

bool BuildProgram(uint32_t& program, const char* vertexSource, const char* fragmentSource)
{
    // Both stages compile before either status is looked at.
    const GLuint vertexShader = CompileShader(GL_VERTEX_SHADER, vertexSource);
    const GLuint fragmentShader = CompileShader(GL_FRAGMENT_SHADER, fragmentSource);

    if (!Compiled(vertexShader)) {
        WriteLine("ERROR::SHADER::VERTEX::COMPILATION_FAILED\n" + ShaderLog(vertexShader));
    }
    if (!Compiled(fragmentShader)) {
        WriteLine(ShaderLog(fragmentShader));
    }

    // The name is the caller's before linking, whatever the link gives.
    program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);

    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == 0) {
        WriteLine("ERROR::SHADER::PROGRAM_LINKING_FAILED\n" + ProgramLog(program));
    }

    // Still attached: they go away with the program.
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    return linked != 0;
}

} // namespace irxgl
