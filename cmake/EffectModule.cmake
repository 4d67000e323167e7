# A loadable build of the effect: the whole effect library with the PiPL, and
# only the entry points exported (on Linux through the given version script;
# the Windows module takes its exports from its .def file).
#
#   irx_add_effect_module(<name> EXPORTS <version script> [SOURCES <file>...])
#
# SOURCES are what this build adds: the benchmark's stage clock, a test's
# replacement for one of the effect's libraries.
function(irx_add_effect_module name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "EXPORTS" "SOURCES")
  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,irx_effect_core>")
  if(TARGET irx_pipl_section)
    target_sources(${name} PRIVATE $<TARGET_OBJECTS:irx_pipl_section>)
  endif()
  set_target_properties(${name} PROPERTIES PREFIX "")
  if(NOT WIN32)
    set_target_properties(${name} PROPERTIES SUFFIX ".so")
    target_link_options(${name} PRIVATE "-Wl,--version-script=${ARG_EXPORTS}" "-Wl,--no-undefined")
  endif()
  if(IRX_SANITIZE OR IRX_BUILD_FUZZER)
    # The sanitizer runtimes live in the executable that loads the module.
    target_link_options(${name} PRIVATE "-Wl,-z,undefs")
  endif()
endfunction()
