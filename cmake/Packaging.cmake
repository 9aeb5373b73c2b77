# Installing Savrona like any other desktop program, and its Debian package.
#
# `cmake --install` puts the program in bin/, and under share/ the desktop
# entry (the menu starts `savrona --user-folder`), the icons in the hicolor
# theme (16, 32 and 128 pixels and the scalable picture they are drawn from)
# and the AppStream metainfo that software centres read. `cpack -G DEB` makes
# savrona_<version>_<arch>.deb from the same rules, with its dependencies
# computed from the libraries the program links.
include(GNUInstallDirs)

install(TARGETS savrona RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/savrona.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/com.keltrim.savrona.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
set(icon_theme ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
foreach(size 16 32 128)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/savrona-${size}.png
            DESTINATION ${icon_theme}/${size}x${size}/apps RENAME savrona.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/images/taco.svg
        DESTINATION ${icon_theme}/scalable/apps RENAME savrona.svg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME savrona)
set(CPACK_PACKAGE_VENDOR Keltrim)
set(CPACK_PACKAGE_CONTACT "Keltrim <savrona@keltrim.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recipe book: keep your recipes sorted into categories")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Savrona keeps a cookbook of recipes sorted into categories: a tree of the\n"
    "categories and their recipes beside the selected recipe's title, ingredients\n"
    "and preparation. Print a recipe, save it as a PDF or export it as text.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.keltrim.com/savrona/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plugins at run time, so no linked library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
include(CPack)
