# What `cmake --install` and the package put where. The programs go to bin; the stand-in
# libraries to a private library folder, since only DLPORTIO_LIBRARY, FTD2XX_LIBRARY and
# LD_LIBRARY_PATH (the libftdi ones) and LD_PRELOAD (the spidev one) name them.
set(QUARNEL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/quarnel)
set(QUARNEL_CONFIG_DIR ${CMAKE_INSTALL_FULL_SYSCONFDIR}/quarnel)
set(QUARNEL_UDEVDIR lib/udev/rules.d)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS quarnel dorvik avrsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS avrsim_dlportio avrsim_ftd2xx avrsim_libftdi1 avrsim_libftdi_0_20 avrsim_spidev
  LIBRARY DESTINATION ${QUARNEL_PRIVATE_LIBDIR}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# dorvik reads this one when there is no dorvik.ini beside it (the folder is compiled in).
install(FILES packaging/dorvik.ini DESTINATION ${QUARNEL_CONFIG_DIR})

install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES packaging/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
configure_file(packaging/debian/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9n -c changelog > changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging VERBATIM)
add_custom_target(quarnel_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Access rules for the parallel ports, FTDI adapters and USBasps; udev reads them on its next reload.
install(FILES packaging/udev/70-quarnel-parport.rules packaging/udev/70-quarnel-ftdi.rules
  packaging/udev/70-quarnel-usbasp.rules
  DESTINATION ${QUARNEL_UDEVDIR})

install(FILES packaging/completion/quarnel packaging/completion/dorvik
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
