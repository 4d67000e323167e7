// Counts and fault switches around the EGL calls the layer makes, a count of
// OpenGL names and a queue of made-up OpenGL errors: the test program defines
// these EGL and GLX entry points itself and forwards to the real ones, so the
// layer (linked statically into it, or loaded with the module) and glbinding
// reach them through here.
#pragma once

#include <initializer_list>

namespace spy {

// Contexts and pbuffers created and not yet destroyed, over the whole process.
int LiveContexts();
int LiveSurfaces();
// eglMakeCurrent calls so far.
int MakeCurrentCalls();
// OpenGL names (textures, framebuffers, buffers, vertex arrays, programs,
// shaders) made and not deleted, over all contexts of the process.
int LiveGLNames();

// eglMakeCurrent calls with a context on threads whose bound API was not
// OpenGL (the default, OpenGL ES, included).
int MakeCurrentWithoutOpenGLApi();

// Faults, each until cleared with ClearFaults().
void FailContextCreation();        // eglCreateContext returns no context
void FailMakeCurrentOfContexts();  // eglMakeCurrent of any context fails
void HideVersionedContexts();      // EGL 1.4 without EGL_KHR_create_context
void HideDevicePlatform();         // no EGL_EXT_device_* or EGL_EXT_platform_device
void HideSurfacelessPlatform();    // no EGL_MESA_platform_surfaceless
void ClearFaults();

// glGetError on this thread returns these first, in order, then the real errors.
void QueueGLErrors(std::initializer_list<unsigned> errors);

} // namespace spy
