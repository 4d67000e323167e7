# cmake --install: the tool in bin/ with its manual page, the frei0r plug-in
# where frei0r hosts look, the module in its own folder, the editors'
# descriptions of the filter and the copyright and changelog in share/.
# cpack -G DEB packs the same files into one Debian package, prefix /usr.
install(TARGETS irisplit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
install(TARGETS irx_frei0r LIBRARY DESTINATION ${IRX_FREI0R_DIR} COMPONENT frei0r)
install(TARGETS irx_effect LIBRARY DESTINATION ${IRX_MODULE_DIR} COMPONENT module)
# The editors' descriptions: the MLT filter's, and the frei0r filter's, kept
# for projects saved with it.
set(IRX_MLT_EDITORS_DIR ${PROJECT_SOURCE_DIR}/plugins/mlt/editors)
set(IRX_FREI0R_EDITORS_DIR ${PROJECT_SOURCE_DIR}/plugins/frei0r/editors)
install(FILES ${IRX_MLT_EDITORS_DIR}/kdenlive/irisplit.xml ${IRX_FREI0R_EDITORS_DIR}/kdenlive/frei0r_irisplit.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/kdenlive/effects COMPONENT editors)
install(FILES ${IRX_MLT_EDITORS_DIR}/shotcut/meta.qml ${IRX_MLT_EDITORS_DIR}/shotcut/ui.qml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/shotcut/qml/filters/irisplit COMPONENT editors)
install(FILES ${IRX_FREI0R_EDITORS_DIR}/shotcut/meta.qml ${IRX_FREI0R_EDITORS_DIR}/shotcut/ui.qml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/shotcut/qml/filters/irisplit_frei0r COMPONENT editors)

# The manual page, from the tool's own help; the changelog, gzipped as Debian
# wants documents (-n: no time stamp, so the same text gives the same bytes).
set(IRX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(IRX_MANUAL_PAGE ${CMAKE_BINARY_DIR}/share/man/man1/irisplit.1.gz)
set(IRX_CHANGELOG ${CMAKE_BINARY_DIR}/share/doc/irisplit/changelog)
find_program(IRX_HELP2MAN help2man)
if(NOT IRX_HELP2MAN)
  message(FATAL_ERROR "help2man not found: install help2man (scripts/install-deps.sh)")
endif()
add_custom_command(OUTPUT ${IRX_MANUAL_PAGE}
  COMMAND ${IRX_PACKAGING_DIR}/manual-page.sh ${IRX_HELP2MAN} $<TARGET_FILE:irisplit> ${IRX_MANUAL_PAGE}
  DEPENDS irisplit ${IRX_PACKAGING_DIR}/manual-page.sh VERBATIM)
add_custom_command(OUTPUT ${IRX_CHANGELOG}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${IRX_PACKAGING_DIR}/debian/changelog ${IRX_CHANGELOG}
  COMMAND gzip -9nf ${IRX_CHANGELOG}
  DEPENDS ${IRX_PACKAGING_DIR}/debian/changelog VERBATIM)
add_custom_target(irx_documents ALL DEPENDS ${IRX_MANUAL_PAGE} ${IRX_CHANGELOG}.gz)
install(FILES ${IRX_MANUAL_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
install(FILES ${IRX_PACKAGING_DIR}/debian/copyright ${IRX_CHANGELOG}.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/irisplit COMPONENT documents)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME irisplit)
set(CPACK_PACKAGE_VENDOR Irisplit)
# No one's own address: a domain reserved for examples, which lintian accepts.
set(CPACK_PACKAGE_CONTACT "Irisplit developers <irisplit@users.noreply.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GPU colour channel split effect: command-line tool and frei0r filter")
set(CPACK_PACKAGE_DESCRIPTION "Splits a colour pair of a picture apart, rendered with OpenGL on Mesa's
software renderer: the irisplit command-line tool for image files and
sequences, and a frei0r filter for ffmpeg, MLT (melt, Kdenlive, Shotcut) and
GStreamer, with effect descriptions for Kdenlive and Shotcut.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# Every binary installed ships stripped: the dynamic symbols the hosts look
# up stay, the symbol tables and line tables of the build go.
set(CPACK_STRIP_FILES ON)
# Libraries linked are found by dpkg-shlibdeps (run by the script); the EGL
# driver (Mesa's, with its software renderer) is loaded by libEGL at run time
# and named here.
set(CPACK_PRE_BUILD_SCRIPTS ${IRX_PACKAGING_DIR}/SharedLibraryDepends.cmake)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl-mesa0, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg, melt, gstreamer1.0-plugins-bad, kdenlive, shotcut")
include(CPack)
