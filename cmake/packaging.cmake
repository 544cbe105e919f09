# `cpack -G DEB` from the build folder: one package with both programs, installed
# under /usr. Its version is the project's, and its library dependencies are
# computed from the built executables rather than listed by hand.
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane developers")
set(CPACK_PACKAGE_CONTACT "Corvane developers <corvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pack numbered data files into one BXA archive with a FILE ID header")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane registers data files into a table of 65535 numbered slots, where the slot number is \
the file's FILE ID, and builds them into one BXA archive in which every member is found by its \
index, with a C header of #define FILE IDs and a one-line log beside it.\n\
This package holds the window (corvane) and the command-line tool (bxa), which builds the same \
archives from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
