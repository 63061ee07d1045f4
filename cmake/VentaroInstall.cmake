# What `cmake --install` puts in place and `cpack -G DEB` packs: both
# programs, the menu entry, the icon (rendered here from its SVG), the
# AppStream metainfo, the ".syx" MIME type and the manual pages. The
# documentation table, the French catalog and the pictures are resources
# inside the program and need nothing here.
include(GNUInstallDirs)
# Folders as Debian wants them whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The date of PROJECT_VERSION's release, changed with the version.
set(VENTARO_RELEASE_DATE "2026-12-08")
set(VENTARO_RELEASE_TIME "Tue, 08 Dec 2026 12:00:00 +0000")
set(VENTARO_MAINTAINER "Ventaro team <ventaro@example.org>")
set(VENTARO_HOMEPAGE "https://ventaro.example.org/")
set(VENTARO_APP_ID "org.example.ventaro")

find_program(RSVG_CONVERT_EXECUTABLE rsvg-convert REQUIRED)
find_program(GZIP_EXECUTABLE gzip REQUIRED)

set(packaging "${PROJECT_SOURCE_DIR}/packaging")
set(made "${CMAKE_BINARY_DIR}/install-files")
set(doc_dir "${CMAKE_INSTALL_DATADIR}/doc/ventaro")

install(TARGETS ventaro ventaro-sim RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${packaging}/ventaro.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${packaging}/ventaro-mime.xml" RENAME ventaro.xml
        DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages")

# The icon: the SVG as it is, and PNG sizes for menus that take no SVG.
set(icon_svg "${packaging}/ventaro.svg")
install(FILES "${icon_svg}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
set(made_files)
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
  set(png "${made}/icons/${size}x${size}/ventaro.png")
  add_custom_command(
    OUTPUT "${png}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${made}/icons/${size}x${size}"
    COMMAND "${RSVG_CONVERT_EXECUTABLE}" -w ${size} -h ${size} -o "${png}" "${icon_svg}"
    DEPENDS "${icon_svg}"
    COMMENT "Rendering the ${size}x${size} icon"
    VERBATIM)
  list(APPEND made_files "${png}")
  install(FILES "${png}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
endforeach()

configure_file("${packaging}/${VENTARO_APP_ID}.metainfo.xml.in"
               "${made}/${VENTARO_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${made}/${VENTARO_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# Compressed without name or time stamp, as Debian wants them.
function(ventaro_gzip source compressed)
  get_filename_component(plain "${compressed}" NAME_WLE)
  get_filename_component(folder "${compressed}" DIRECTORY)
  add_custom_command(
    OUTPUT "${compressed}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${folder}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${source}" "${folder}/${plain}"
    COMMAND "${GZIP_EXECUTABLE}" -9nf "${folder}/${plain}"
    DEPENDS "${source}"
    VERBATIM)
endfunction()

foreach(page IN ITEMS ventaro ventaro-sim)
  ventaro_gzip("${PROJECT_SOURCE_DIR}/docs/${page}.1" "${made}/man/${page}.1.gz")
  list(APPEND made_files "${made}/man/${page}.1.gz")
  install(FILES "${made}/man/${page}.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endforeach()

configure_file("${packaging}/changelog.in" "${made}/changelog" @ONLY)
ventaro_gzip("${made}/changelog" "${made}/doc/changelog.gz")
list(APPEND made_files "${made}/doc/changelog.gz")
install(FILES "${made}/doc/changelog.gz" "${packaging}/copyright"
        DESTINATION "${doc_dir}")

add_custom_target(ventaro_install_files ALL DEPENDS ${made_files})

# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME ventaro)
set(CPACK_PACKAGE_VENDOR "Ventaro team")
set(CPACK_PACKAGE_CONTACT "${VENTARO_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "exchange voices with a Yamaha VL70-m tone generator")
set(CPACK_PACKAGE_DESCRIPTION
    "Ventaro takes over the voice a Yamaha VL70-m is playing, keeps voices in .syx
files, opens .lib voice libraries and banks of many voices, sends a voice to
the instrument's current voice or to a Custom or Internal slot, selects
patches, presses the front-panel buttons and plays notes from an on-screen
keyboard. A simulated VL70-m is built in and comes as ventaro-sim on virtual
MIDI ports too, so that every function can be tried without the instrument.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The voice library's SQLite driver is a plugin Qt loads at run time, unseen by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VENTARO_HOMEPAGE}")
# Qt's own texts (dialog buttons) in the window's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2")
set(CPACK_GENERATOR DEB)
include(CPack)
