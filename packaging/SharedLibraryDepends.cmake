# Run by cpack once the package's files are staged (CPACK_PRE_BUILD_SCRIPTS):
# adds the packages of the libraries the staged binaries link, as
# dpkg-shlibdeps finds them, to the Depends line. CPack's own search
# (CPACK_DEBIAN_PACKAGE_SHLIBDEPS) would also make every install and removal
# run ldconfig for the plug-ins under /usr/lib, which only public libraries need.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(binaries)
foreach(file IN LISTS staged)
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46") # ELF
    list(APPEND binaries "${file}")
  endif()
endforeach()

# dpkg-shlibdeps wants a debian/control where it runs; an empty one will do.
set(scratch "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(WRITE "${scratch}/debian/control" "")
execute_process(COMMAND dpkg-shlibdeps -O ${binaries}
  WORKING_DIRECTORY "${scratch}"
  OUTPUT_VARIABLE substvars
  RESULT_VARIABLE result
  ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT substvars MATCHES "shlibs:Depends=([^\n]*)")
  message(FATAL_ERROR "dpkg-shlibdeps failed: ${errors}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}, ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
