// What the renderer behind the effect can take, asked of the OpenGL
// implementation the effect renders with.
#pragma once

namespace irisplit {

// The widest and tallest frame the effect can render: the implementation's
// largest texture, and never more than the effect's own 65535. When no
// OpenGL context can be made here, the effect's own limit.
int LargestFrameSide();

} // namespace irisplit
