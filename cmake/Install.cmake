# cmake --install: the tool in bin/, the frei0r plug-in where frei0r hosts look,
# the module in its own folder, the editors' descriptions of the filter in share/.
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

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME irisplit)
set(CPACK_PACKAGE_VENDOR Irisplit)
set(CPACK_PACKAGE_CONTACT "Irisplit developers <irisplit@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GPU colour channel split effect: command-line tool and frei0r filter")
set(CPACK_PACKAGE_DESCRIPTION "Splits a colour pair of a picture apart, rendered with OpenGL on Mesa's
software renderer: the irisplit command-line tool for image files and
sequences, and a frei0r filter for ffmpeg, MLT (melt, Kdenlive, Shotcut) and
GStreamer, with effect descriptions for Kdenlive and Shotcut.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# Libraries linked are found by dpkg-shlibdeps; the EGL driver (Mesa's, with
# its software renderer) is loaded by libEGL at run time and named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl-mesa0, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg, melt, gstreamer1.0-plugins-bad, kdenlive, shotcut")
include(CPack)
