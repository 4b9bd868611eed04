# The packages CPack makes of an install: on Linux a Debian package of what `cmake --install`
# lays out, its dependencies read off the libraries the program links (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME voxtrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Voxtrel developers")
set(CPACK_PACKAGE_CONTACT "Voxtrel developers <voxtrel@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spinning 3D launchers floating on the desktop")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Voxtrel puts floating, slowly spinning solids on the desktop: a tetrahedron\n"
    "or a cube. Each face is a launcher: drop a file on it and it shows the file's\n"
    "icon; double-click it and the file opens. An image dropped on a solid\n"
    "textures its faces. The solids are dragged, zoomed with the wheel and saved\n"
    "for the next start; a tray icon carries the main menu.")
set(CPACK_STRIP_FILES ON)

if(NOT WIN32)
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # voxtrel_<version>_<architecture>.deb
    set(CPACK_DEBIAN_PACKAGE_SECTION x11)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Mesa's software rasteriser draws the solids where there is no GPU driver.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "librsvg2-common, shared-mime-info")
endif()

include(CPack)
