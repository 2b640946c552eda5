# The Debian package (cpack -G DEB in the build folder): the renderer, its module, the host
# library, the reference page and the man page, in the layout `cmake --install` gives under
# /usr. Library dependencies are found by dpkg-shlibdeps.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "sorvell")
set(CPACK_PACKAGE_VENDOR "Brindle")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "spectral resonance effect: renderer and Tessel external")
set(CPACK_PACKAGE_DESCRIPTION
    "A spectral processor which uses spectral resonances and pitched overtones to add tonal character to any audio source.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brindle <sorvell@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The private libraries in /usr/lib/sorvell are part of the package itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/host")
include(CPack)
