# Installing the native program the way Linux desktops expect, and packaging
# that installation as a .deb (scripts/package-linux).
#
# The program finds its data in share/orvella/ beside its own bin/ folder (or
# beside itself, as in the build folder), so these two folders are fixed, not
# taken from GNUInstallDirs' settable ones.
set(ORVELLA_LINUX_DIR ${PROJECT_SOURCE_DIR}/resources/linux)
set(ORVELLA_APPSTREAM_ID invalid.orvella.orvella)

install(TARGETS orvella RUNTIME DESTINATION bin)
install(FILES
          ${PROJECT_SOURCE_DIR}/resources/font.tga ${PROJECT_SOURCE_DIR}/resources/fontsmall.tga
          ${PROJECT_SOURCE_DIR}/resources/font150.tga ${PROJECT_SOURCE_DIR}/resources/fontsmall150.tga
          ${PROJECT_SOURCE_DIR}/resources/font200.tga ${PROJECT_SOURCE_DIR}/resources/fontsmall200.tga
          ${PROJECT_SOURCE_DIR}/resources/icon-16.ico
        DESTINATION share/orvella)

# The desktop's side: the menu entry, the icons, the .tvl type, thumbnails
# through --thumbnail, and the software centres' description.
install(FILES ${ORVELLA_LINUX_DIR}/orvella.desktop DESTINATION share/applications)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor DESTINATION share/icons)
install(FILES ${ORVELLA_LINUX_DIR}/orvella-mime.xml DESTINATION share/mime/packages RENAME orvella.xml)
install(FILES ${ORVELLA_LINUX_DIR}/orvella.thumbnailer DESTINATION share/thumbnailers)
install(FILES ${ORVELLA_LINUX_DIR}/${ORVELLA_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)

# The manual page and the changelog, compressed as Debian keeps them (-n: no
# name or time inside, so the bytes depend on the text alone).
find_program(ORVELLA_GZIP gzip REQUIRED)
foreach(doc orvella.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${doc}.gz
                     COMMAND ${ORVELLA_GZIP} -9n -c ${ORVELLA_LINUX_DIR}/${doc} > ${CMAKE_BINARY_DIR}/${doc}.gz
                     DEPENDS ${ORVELLA_LINUX_DIR}/${doc} VERBATIM)
endforeach()
add_custom_target(orvella_install_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/orvella.1.gz ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/orvella.1.gz DESTINATION share/man/man1)
install(FILES ${ORVELLA_LINUX_DIR}/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION share/doc/orvella)

# The .deb: its library dependencies come from dpkg-shlibdeps, not from a
# list kept by hand. zenity shows the file dialogs and SDL's message boxes
# need the X core fonts; the program runs without them, hence recommended.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvella)
set(CPACK_PACKAGE_VENDOR "The Orvella developers")
set(CPACK_PACKAGE_CONTACT "Orvella Developer <dev@orvella.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "layered raster paint program")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "A soft round brush and an eraser on layers with blend modes, opacity and\n"
  "transparency lock, frame animation with onion skin, filters with live\n"
  "preview and colour profiles. Pictures are kept in the program's own layered\n"
  "format and exchanged with other painting programs as OpenRaster, PNG and\n"
  "JPEG; the command line converts between them and writes thumbnails for\n"
  "file managers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity, xfonts-base")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
