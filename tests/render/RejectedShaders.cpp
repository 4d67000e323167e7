// The effect's program texts as the shader-failure tests link them, in place
// of its own: the offset program's fragment stage does not compile.
#include "KaleonShaders.h"

const char* const vertexShaderSource = "#version 330 core\n"
                                       "layout(location = 0) in vec3 position;\n"
                                       "void main() { gl_Position = vec4(position, 1.0); }\n";
const char* const offsetShaderSource = "#version 330 core\nvoid main() { not a statement }\n";
const char* const blurWShaderSource = "#version 330 core\nout vec4 colour;\n"
                                      "void main() { colour = vec4(0.0); }\n";
const char* const blurHShaderSource = "#version 330 core\nout vec4 colour;\n"
                                      "void main() { colour = vec4(0.0); }\n";
