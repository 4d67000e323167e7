# The Windows module "IRX GL.aex": exports by ordinal from the .def file, and
# the PiPL resource made from the same bytes that the Linux module carries.
enable_language(RC)

# pipl_dump runs at build time, so it is compiled with the build machine's own
# compiler rather than the cross compiler.
find_program(IRX_HOST_CXX NAMES c++ g++ REQUIRED)
set(IRX_PIPL_DIR ${CMAKE_CURRENT_BINARY_DIR}/pipl)
set(IRX_HOST_PIPL_DUMP ${IRX_PIPL_DIR}/pipl_dump_host)
set(IRX_PIPL_BYTES ${IRX_PIPL_DIR}/IRX_GL.pipl)
add_custom_command(OUTPUT ${IRX_HOST_PIPL_DUMP}
  COMMAND ${IRX_HOST_CXX} -std=c++17 -Wall -Wextra -I${PROJECT_SOURCE_DIR} -MD -MF ${IRX_HOST_PIPL_DUMP}.d
          ${PROJECT_SOURCE_DIR}/resources/PiPLDump.cpp -o ${IRX_HOST_PIPL_DUMP}
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/PiPLDump.cpp
  DEPFILE ${IRX_HOST_PIPL_DUMP}.d
  COMMENT "Building pipl_dump for the build machine")
add_custom_command(OUTPUT ${IRX_PIPL_BYTES}
  COMMAND ${IRX_HOST_PIPL_DUMP} ${IRX_PIPL_BYTES}
  DEPENDS ${IRX_HOST_PIPL_DUMP}
  COMMENT "Writing the PiPL bytes")

set(IRX_WINDOWS_RESOURCES ${PROJECT_SOURCE_DIR}/resources/windows)
set_source_files_properties(${IRX_WINDOWS_RESOURCES}/IRX_GL.rc PROPERTIES
  INCLUDE_DIRECTORIES ${IRX_PIPL_DIR}
  OBJECT_DEPENDS ${IRX_PIPL_BYTES})
target_sources(irx_effect PRIVATE
  ${IRX_WINDOWS_RESOURCES}/IRX_GL.def
  ${IRX_WINDOWS_RESOURCES}/IRX_GL.rc)
set_target_properties(irx_effect PROPERTIES SUFFIX ".aex")
