# SPDX-License-Identifier: GPL-3.0-or-later
# Installing Quorvel as a desktop application, and the Debian package that
# `make package` builds from the same install rules.
#
# The desktop entry, the AppStream metainfo and the icon are named after the
# application's id, which the program also gives Qt as its desktop file name,
# so desktops match its windows to the entry.
set(QUORVEL_APP_ID com.quorvel.Html)
set(QUORVEL_ASSETS ${PROJECT_SOURCE_DIR}/assets)
set(QUORVEL_GENERATED ${PROJECT_BINARY_DIR}/assets)

# The package's version is the program's with a Debian revision: 1.21-1.
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)

configure_file(${QUORVEL_ASSETS}/${QUORVEL_APP_ID}.metainfo.xml.in
               ${QUORVEL_GENERATED}/${QUORVEL_APP_ID}.metainfo.xml @ONLY)
configure_file(${QUORVEL_ASSETS}/quorvel.1.in ${QUORVEL_GENERATED}/quorvel.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in
               ${QUORVEL_GENERATED}/changelog.Debian @ONLY)

install(FILES ${QUORVEL_ASSETS}/${QUORVEL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUORVEL_GENERATED}/${QUORVEL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon is drawn once, as SVG; every size is rendered from it here, so no
# picture can drift from the drawing. Without rsvg-convert only the SVG is
# installed, which desktops scale themselves.
set(QUORVEL_ICON ${QUORVEL_ASSETS}/icons/${QUORVEL_APP_ID}.svg)
install(FILES ${QUORVEL_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(QUORVEL_ICON_PNGS)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${QUORVEL_GENERATED}/icons/${size}x${size}/${QUORVEL_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVEL_GENERATED}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QUORVEL_ICON}
      DEPENDS ${QUORVEL_ICON} VERBATIM)
    list(APPEND QUORVEL_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert (librsvg2-bin) not found: only the scalable icon is installed")
endif()

# The manual page and the Debian changelog are compressed as Debian ships
# them: gzip -9, without a name or time stamp, so builds are reproducible.
set(QUORVEL_MAN_GZ ${QUORVEL_GENERATED}/quorvel.1.gz)
set(QUORVEL_CHANGELOG_GZ ${QUORVEL_GENERATED}/changelog.Debian.gz)
foreach(pair "quorvel.1;${QUORVEL_MAN_GZ}" "changelog.Debian;${QUORVEL_CHANGELOG_GZ}")
  list(GET pair 0 plain)
  list(GET pair 1 gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9n -c ${QUORVEL_GENERATED}/${plain} > ${gz}
    DEPENDS ${QUORVEL_GENERATED}/${plain})
endforeach()
add_custom_target(quorvel_install_files ALL
  DEPENDS ${QUORVEL_ICON_PNGS} ${QUORVEL_MAN_GZ} ${QUORVEL_CHANGELOG_GZ})
install(FILES ${QUORVEL_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${QUORVEL_CHANGELOG_GZ} ${PROJECT_SOURCE_DIR}/cmake/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quorvel)

set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_CONTACT "Quorvel <support@quorvel.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-paced HTML tutorial with a live preview")
set(CPACK_PACKAGE_DESCRIPTION
    "Three short lessons teach the basic HTML tags, each followed by a practice\n\
with a model answer. What the learner types is rendered as they type by an\n\
embedded browser engine (Qt WebEngine), through the page ~/customizer.html.")
set(CPACK_PACKAGE_HOMEPAGE_URL https://www.quorvel.com/)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only the program's own files; the tests and tools have no install rules.

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The runtime libraries come from dpkg-shlibdeps, which reads what the program
# links: the Qt packages, among them the web engine's, which brings its helper
# process. Fonts are not linked, so they are named here, and both are needed:
# the screens were laid out with Arial's metrics, which only Liberation Sans
# gives, and with the classic 8 pt dialog face of fonts-wine. Without either,
# lesson texts wrap onto more lines than their boxes hold and lose their ends
# (Lesson 3's second step shows no "Brindlecroft </A>." without fonts-wine).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-wine")

include(CPack)
