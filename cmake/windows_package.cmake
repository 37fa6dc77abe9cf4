# The Windows zip (cmake --build --preset windows --target package): the two programs, the
# README and the examples, in one folder quarnel-<version>-win64; avrsim and the stand-in DLLs
# in its rehearsal/ folder, never beside the programs, where they would be loaded before the
# real drivers.
install(TARGETS quarnel dorvik RUNTIME DESTINATION .)
install(TARGETS avrsim avrsim_dlportio avrsim_ftd2xx RUNTIME DESTINATION rehearsal)
install(FILES README.md DESTINATION .)
install(DIRECTORY examples/ DESTINATION examples)

set(CPACK_PACKAGE_NAME quarnel)
set(CPACK_PACKAGE_VENDOR "quarnel developers")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME quarnel-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)
