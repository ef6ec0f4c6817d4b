# The Debian package, from the install rules (cmake/Install.cmake):
#   cmake --build BUILD --target package      or      cd BUILD && cpack
# writes tavrel_VERSION-1_ARCH.deb into BUILD. Its dependencies come from dpkg-shlibdeps, so they
# name exactly the libraries the binaries link on the machine that built it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The address stands in until the project has one; a release sets the real one at configure time.
set(TAVREL_MAINTAINER "The Quennick's Tavrel developers <tavrel@maintainer.invalid>"
    CACHE STRING "Maintainer of the Debian package: Name <address>")
set(CPACK_PACKAGE_CONTACT ${TAVREL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small online tile-based role-playing game")
# CPack puts the summary first and indents these lines; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quennick's Tavrel is a small online role-playing game: walk a layered tile
world of a village, a house and a forest with W A S D, step through doors and
along roads into the next map, see the other players walk, and chat.

The package holds the game, which keeps each user's settings in a game folder
of their own, and its server tavrel-server with a systemd unit for hosts.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The options file in /etc is the host's: an upgrade keeps their edits.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/conffiles)
include(CPack)

# What Debian asks of every package besides the program: the copyright and the changelog.
set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/tavrel)
configure_file(packaging/changelog.Debian.in ${CMAKE_BINARY_DIR}/install/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/install/changelog.Debian.gz
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/install/changelog.Debian > ${CMAKE_BINARY_DIR}/install/changelog.Debian.gz
    DEPENDS ${CMAKE_BINARY_DIR}/install/changelog.Debian VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/install/changelog.Debian.gz)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/install/changelog.Debian.gz DESTINATION ${doc})
