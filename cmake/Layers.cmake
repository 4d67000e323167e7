# Which part of the tree a target may include. Files include each other by
# their path from the repository root ("hostsim/Session.h", "opengl/Layer.h",
# "Kaleon.h"), but no target puts the root itself on its include path: each
# sees a folder of the build tree holding links to just the paths it may use,
# so that including anything else fails to compile.
#
#   irx_expose(<target> <PUBLIC|PRIVATE|INTERFACE> <path>...)
#     Paths are relative to the repository root: a folder ("hostsim") or a
#     single file ("opengl/EglDisplayChoice.h"). PUBLIC and INTERFACE paths
#     reach every target that links this one, as include paths do.
#
#   irx_add_sources_apart(<target> <file>...)
#     For sources at the repository root (the effect): compiles each through a
#     link in a folder of the target's own, which holds links to the target's
#     root-level files only, since a quoted include looks in the including
#     file's folder first. Diagnostics, __FILE__ and debug information still
#     name the files at the root.
function(irx_expose target scope)
  set(view ${CMAKE_BINARY_DIR}/include-views/${target}/${scope})
  foreach(path IN LISTS ARGN)
    irx_link_into(${view} ${path})
  endforeach()
  target_include_directories(${target} ${scope} ${view})
endfunction()

function(irx_add_sources_apart target)
  set(apart ${CMAKE_BINARY_DIR}/sources-apart/${target})
  foreach(path IN LISTS ARGN)
    irx_link_into(${apart} ${path})
    get_filename_component(extension ${path} LAST_EXT)
    if(extension STREQUAL ".cpp")
      target_sources(${target} PRIVATE ${apart}/${path})
    endif()
  endforeach()
  target_compile_options(${target} PRIVATE "-ffile-prefix-map=${apart}/=${PROJECT_SOURCE_DIR}/")
endfunction()

function(irx_link_into folder path)
  if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${path})
    message(FATAL_ERROR "irx_expose: no ${path} in the repository")
  endif()
  get_filename_component(parent ${folder}/${path} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${folder}/${path} SYMBOLIC)
endfunction()
