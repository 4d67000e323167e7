// GLSL 330 sources of the effect's three programs. Each program links the
// vertex source with one of the fragment sources. Constant texts, ready
// before any host command.
#pragma once

// Full-frame quad: passes the texture coordinate through as `out_uvs`.
extern const char* const vertexShaderSource;
// Samples the channel pair at opposite transforms, the third channel in place.
extern const char* const offsetShaderSource;
// Blurs the channel pair along rows.
extern const char* const blurWShaderSource;
// Blurs the channel pair along columns.
extern const char* const blurHShaderSource;
