# The Debian package (cpack -G DEB, run by scripts/package from an existing
# build directory): both programs, the udev rule and the desktop files under
# /usr, with dependencies computed from the binaries by dpkg-shlibdeps.
# Included by the top-level CMakeLists for normal (non-sanitizer) builds.

include(GNUInstallDirs)

set(_deb ${CMAKE_CURRENT_SOURCE_DIR}/resources/debian)
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/brisvel-console)
install(FILES ${_deb}/copyright DESTINATION ${_doc})
configure_file(${_deb}/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog @ONLY)
# Debian wants the changelog compressed reproducibly (no name, no time stamp).
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -9nfk ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog)
add_custom_target(brisvel_debian_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog.gz DESTINATION ${_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisvel-console)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Brisvel console developers <dev@brisvel.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tuning console for an in-car USB sound processor")
# CPack puts the summary first and indents every line of this text itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Brisvel DSP Console shapes the six output channels of an in-car digital sound
processor attached over USB: parametric equalisers, crossovers, volumes,
delays, limiter, noise gate and channel linking, with device modes, PC modes
and scene files.

The package also holds brisvelctl, the command-line tool, whose doctor
command explains USB access problems, and the udev rule that gives the
logged-in user access to the processor.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_deb}/postinst ${_deb}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)

# The package is built and linted once, then installed where the tests run as root.
add_test(NAME Packaging.BuildAndLint
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/packaging/package_test.sh ${CMAKE_CURRENT_BINARY_DIR} build)
set_tests_properties(Packaging.BuildAndLint PROPERTIES FIXTURES_SETUP brisvel_deb TIMEOUT 600)
add_test(NAME Packaging.InstallDeb
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/packaging/package_test.sh ${CMAKE_CURRENT_BINARY_DIR} install)
set_tests_properties(Packaging.InstallDeb PROPERTIES FIXTURES_REQUIRED brisvel_deb SKIP_RETURN_CODE 77
                     RESOURCE_LOCK brisvel_system_packages TIMEOUT 600)
