# What users install, made by `make package` with CPack: on Linux a Debian package of the
# program with its menu entry, icons, AppStream metadata and manual page, and of its
# xscreensaver hack with the hack's config file and manual page; for Windows a zip of the .exe,
# the screensaver beside it and a short read-me, and an installer of the same files. All are
# named by the project's version.
set(CPACK_PACKAGE_NAME waggler)
set(CPACK_PACKAGE_VENDOR "${WAGGLER_PUBLISHER}")
set(CPACK_PACKAGE_CONTACT "${WAGGLER_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${WAGGLER_HOMEPAGE}")
set(CPACK_STRIP_FILES ON)
set(generated ${CMAKE_BINARY_DIR}/generated)

if(WIN32)
  install(TARGETS waggler waggler_scr RUNTIME DESTINATION .)
  # Notepad of every Windows version reads CRLF lines.
  configure_file(resources/readme-windows.txt.in ${generated}/README.txt @ONLY
    NEWLINE_STYLE CRLF)
  install(FILES ${generated}/README.txt DESTINATION .)
  # The installer is NSIS's, from our own script (cmake/nsis/NSIS.template.in): its 64-bit
  # stubs are in Debian's package, and it offers the screensaver as a tick box.
  set(CPACK_GENERATOR "ZIP;NSIS64")
  set(CPACK_PACKAGE_FILE_NAME waggler-${PROJECT_VERSION}-windows)
  list(PREPEND CMAKE_MODULE_PATH ${CMAKE_SOURCE_DIR}/cmake/nsis)
  set(CPACK_WAGGLER_ICON ${CMAKE_SOURCE_DIR}/resources/icons/waggler.ico)
  # Its pictures are drawn from the clock offscreen, which only the Linux tree can: its target
  # installer_pictures (tools/CMakeLists.txt) makes them, and `make package` builds it first.
  set(WAGGLER_INSTALLER_PICTURES ${CMAKE_SOURCE_DIR}/build/linux/installer-pictures
      CACHE PATH "Where the Linux tree draws the installer's pictures")
  set(CPACK_WAGGLER_PICTURES ${WAGGLER_INSTALLER_PICTURES})
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/nsis/generator_options.cmake)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
execute_process(COMMAND date -u -R -d ${WAGGLER_RELEASE_DATE}
  OUTPUT_VARIABLE WAGGLER_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(resources/linux/waggler.desktop.in ${generated}/${WAGGLER_APP_ID}.desktop @ONLY)
configure_file(resources/linux/waggler.metainfo.xml.in
  ${generated}/${WAGGLER_APP_ID}.metainfo.xml @ONLY)
configure_file(resources/linux/changelog.in ${generated}/changelog @ONLY)

# Debian keeps manual pages and changelogs compressed, without a time stamp.
set(compressed "")
foreach(pair docs/waggler.1=waggler.1.gz docs/wagglersaver.6=wagglersaver.6.gz
    ${generated}/changelog=changelog.gz)
  string(REPLACE "=" ";" parts "${pair}")
  list(GET parts 0 source)
  list(GET parts 1 name)
  get_filename_component(source ${source} ABSOLUTE)
  add_custom_command(OUTPUT ${generated}/${name}
    COMMAND gzip -9n -c ${source} > ${generated}/${name}
    DEPENDS ${source} VERBATIM)
  list(APPEND compressed ${generated}/${name})
endforeach()
add_custom_target(waggler_compressed_docs ALL DEPENDS ${compressed})

install(TARGETS waggler RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${generated}/${WAGGLER_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/${WAGGLER_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256 512)
  install(FILES resources/icons/waggler-${size}.png RENAME waggler.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${generated}/waggler.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Where xscreensaver looks for its hacks and for the config files its settings dialog reads.
install(TARGETS wagglersaver RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(FILES resources/linux/wagglersaver.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES ${generated}/wagglersaver.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES resources/linux/copyright ${generated}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/waggler)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION [[
Waggler is a desktop clock drawn in 3-D with OpenGL. A small honeybee performs
the waggle dance on a square honeycomb dial: its straight waggle run points at
the hour, so the bee itself is the hour hand, and its return loops bring it
back to the start of the run every six seconds.

Extruded numerals stand on the dial, a digital time can float above it, and
the keys and the mouse turn the scene, move the camera and switch the parts on
and off. The program keeps no settings.

The same scene comes as a screensaver for xscreensaver, wagglersaver.]])
# The libraries the program links come from dpkg-shlibdeps; what it loads or opens at run
# time is named here: a bold sans face for the numerals, and Mesa's GLX and drivers.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, libglx-mesa0, libgl1-mesa-dri")
# The hack adds to xscreensaver's list; the clock runs without it. xscreensaver-gl holds what the
# settings dialog needs to preview a GL hack; the daemon runs the hack without it.
set(CPACK_DEBIAN_PACKAGE_ENHANCES xscreensaver)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver, xscreensaver-gl")
include(CPack)
