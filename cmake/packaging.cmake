# The packages CPack makes of an install: on Linux a Debian package of what `cmake --install`
# lays out, its dependencies read off the libraries the program links (dpkg-shlibdeps); for
# Windows an NSIS installer and a portable zip of voxtrel.exe with the licences of what it links.
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

if(WIN32)
    # The licences that scripts/build-windows gathers beside the libraries it builds, and how to
    # relink with another DevIL, as DevIL's licence asks.
    find_path(VOXTREL_LICENSES DevIL-LGPL-2.1.txt PATH_SUFFIXES share/licenses
              DOC "The licence texts of the libraries voxtrel.exe links")
    # Voxtrel's own licence beside those of what it links.
    install(FILES ${PROJECT_SOURCE_DIR}/COPYING DESTINATION licenses RENAME Voxtrel-GPL-3.0.txt)
    if(VOXTREL_LICENSES)
        install(DIRECTORY ${VOXTREL_LICENSES}/ DESTINATION licenses)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/windows/DevIL-relinking.txt
                DESTINATION licenses)
    endif()
    set(CPACK_GENERATOR NSIS ZIP)
    set(CPACK_PACKAGE_FILE_NAME voxtrel-${PROJECT_VERSION}-windows-x64)
    set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/COPYING)
    # The zip unpacks into a folder of its own, Voxtrel-<version> (cpack_options.cmake.in).
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(VOXTREL_ZIP_FOLDER Voxtrel-${PROJECT_VERSION})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/cpack_options.cmake.in
                   ${PROJECT_BINARY_DIR}/voxtrel_cpack_options.cmake @ONLY)
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/voxtrel_cpack_options.cmake)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Voxtrel)
    # The installer is made from a template of our own (cmake/nsis/NSIS.template.in).
    list(APPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/voxtrel.ico)
endif()

include(CPack)
