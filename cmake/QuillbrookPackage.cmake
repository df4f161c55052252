# The Debian package: what `cmake --install` lays out, under /usr. Its Depends
# are the shared libraries the program and the zip component link, found by
# dpkg-shlibdeps, and calibre, which does the converting.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillbrook)
set(CPACK_PACKAGE_VENDOR Brackwater)
set(CPACK_PACKAGE_CONTACT "Brackwater <support@quillbrook.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MOBI to EPUB e-book converter")
# Debian wants the long description in lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION [[
Quillbrook converts MOBI e-books into EPUB, many at a time, by running
calibre's ebook-convert once per file. Its list is filled from the file
dialog, a whole folder tree, drag and drop, the file manager, or the bundled
samples.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillbrook.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS calibre)
include(CPack)
