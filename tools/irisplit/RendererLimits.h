// What the renderer behind the effect can take, asked of the display the
// effect renders on: chosen by the effect's own code and environment
// variables (IRISPLIT_EGL_DEVICE, IRISPLIT_REQUIRE_GPU).
#pragma once

#include "opengl/EglDisplayChoice.h"

namespace irisplit {

// The EGL display the effect will render with. Throws FileError, with the
// reason, when none suits (a bad IRISPLIT_EGL_DEVICE, or only a software
// renderer under IRISPLIT_REQUIRE_GPU=1).
irx_egl::DisplayChoice RendererChoice();

// The widest and tallest frame the effect can render: that display's largest
// texture, and never more than the effect's own 65535. Throws as RendererChoice.
int LargestFrameSide();

} // namespace irisplit
