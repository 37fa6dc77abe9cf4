# The Debian package (cpack -G DEB) and the source tarball (cpack --config CPackSourceConfig.cmake).
# The package installs below the configured prefix, the one compiled into dorvik and the manual pages.
set(CPACK_PACKAGE_NAME quarnel)
set(CPACK_PACKAGE_VENDOR "quarnel developers")
set(CPACK_PACKAGE_CONTACT "quarnel developers <quarnel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "in-system programmers for AVR microcontrollers")
set(CPACK_PACKAGE_DESCRIPTION
  "quarnel programs 112 AVR devices through parallel-port adapters and FTDI
MPSSE USB adapters: flash and EEPROM from Intel HEX or binary files, fuses,
lock bits, serial numbers and calibration bytes. dorvik is a compact
programmer for eleven ATmega families on one parallel-port adapter. avrsim
and its stand-in libraries provide a virtual chip to rehearse both without
hardware.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quarnel.example.org/")
# Only the binary package installs below the prefix (cmake/cpack_generator.cmake); the source
# tarball keeps the tree's own layout.
set(CPACK_QUARNEL_DEB_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_generator.cmake)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# The default dorvik.ini is the administrator's to change: an update must not overwrite it.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "${QUARNEL_CONFIG_DIR}/dorvik.ini\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME quarnel-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/\\\\.git$" "/build[^/]*/" "/\\\\.cache/" "/compile_commands\\\\.json$")

include(CPack)
