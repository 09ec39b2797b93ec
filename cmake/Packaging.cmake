# The install layout, the desktop integration on Linux and the Debian package (cpack -G DEB).
# Every destination is a GNU install directory, so that a distribution's layout applies.
include(GNUInstallDirs)

# The AppStream id: the organisation and application names of the settings.
set(MORVANE_APP_ID org.keltano.mrveditor)
# The date of the release entry that the metainfo shows for PROJECT_VERSION.
set(MORVANE_RELEASE_DATE 2026-12-08)
set(MORVANE_PACKAGE_MAINTAINER "Morvane editor developers <maintainers@keltano.invalid>"
  CACHE STRING "The Maintainer field of the Debian package")

if(UNIX AND NOT APPLE)
  set(packagingSource ${PROJECT_SOURCE_DIR}/packaging)
  set(packagingBinary ${PROJECT_BINARY_DIR}/packaging)

  install(FILES ${packagingSource}/morvane-editor.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${packagingSource}/morvane-editor.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${packagingSource}/morvane-editor-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME morvane-editor.xml)

  configure_file(${packagingSource}/metainfo.xml.in
    ${packagingBinary}/${MORVANE_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${packagingBinary}/${MORVANE_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # Manual pages are installed compressed, as Debian keeps them; -n leaves the name and time
  # out, so that the same page always gives the same bytes.
  find_program(GZIP_PROGRAM gzip REQUIRED)
  set(manPages)
  foreach(page morvane.1 morvane-sim.1)
    add_custom_command(OUTPUT ${packagingBinary}/${page}.gz
      COMMAND ${GZIP_PROGRAM} -9nc ${packagingSource}/${page} > ${packagingBinary}/${page}.gz
      DEPENDS ${packagingSource}/${page}
      COMMENT "Compressing the manual page ${page}")
    list(APPEND manPages ${packagingBinary}/${page}.gz)
  endforeach()
  add_custom_target(morvane_man_pages ALL DEPENDS ${manPages})
  install(FILES ${manPages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VENDOR keltano)
set(CPACK_PACKAGE_CONTACT ${MORVANE_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "preset editor for the Morvane sound module")
set(CPACK_PACKAGE_DESCRIPTION
  "A desktop editor for the presets of the Morvane, a multitimbral sound module driven over \
MIDI, with morvane, a command-line tool for .syx preset files, and morvane-sim, a simulated \
module on system MIDI ports.")
if(UNIX AND NOT APPLE)
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The dependencies are read from the installed programs by dpkg-shlibdeps, never listed here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
