# Installing Quorvel as a desktop application, and the Debian package that
# `make package` builds from the same install rules.
#
# The desktop entry, the AppStream metainfo and the icon are named after the
# application's id, which the program also gives Qt as its desktop file name,
# so desktops match its windows to the entry.
set(QUORVEL_APP_ID com.quorvel.Html)

install(FILES ${PROJECT_SOURCE_DIR}/assets/${QUORVEL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/assets/${QUORVEL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The Lesson 1 window icon doubles as the application's icon.
foreach(size 16 32)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/lesson1-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${QUORVEL_APP_ID}.png)
endforeach()

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
# The runtime libraries come from dpkg-shlibdeps, which reads what the program
# links: the Qt packages, among them the web engine's, which brings its helper
# process. Fonts are not linked, so they are named here: the classic dialog
# face and Arial's metric twin make the screens look as they were laid out.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, fonts-liberation")

include(CPack)
