# Cross compiling for 64-bit Windows with Debian's mingw-w64 packages.
# The -posix compilers are named on purpose: the -win32 variant of GCC has no
# std::thread, std::mutex or std::recursive_mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything links its runtime statically, so that modules and programs import
# system DLLs only (a dynamic build needs libwinpthread-1.dll and others).
set(MINGW_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${MINGW_STATIC_RUNTIME})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${MINGW_STATIC_RUNTIME})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${MINGW_STATIC_RUNTIME})

# Test programs run under Wine (CTest prefixes them with this).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
