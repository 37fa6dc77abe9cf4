# Manual pages: scdoc sources in doc/man, filled in with the install locations and built into
# build/man as compressed pages. A test holds each page against its program's usage text.
function(quarnel_manpages)
  find_program(QUARNEL_SCDOC scdoc)
  if(NOT QUARNEL_SCDOC)
    message(STATUS "scdoc not found: the manual pages are not built")
    return()
  endif()

  # The full paths the pages name (install.cmake gives them relative to the prefix).
  set(QUARNEL_PRIVATE_LIBDIR ${CMAKE_INSTALL_PREFIX}/${QUARNEL_PRIVATE_LIBDIR})
  set(QUARNEL_UDEVDIR ${CMAKE_INSTALL_PREFIX}/${QUARNEL_UDEVDIR})
  set(QUARNEL_DOCDIR ${CMAKE_INSTALL_FULL_DOCDIR})
  set(man_dir ${CMAKE_BINARY_DIR}/man)
  set(man_pages)
  foreach(page quarnel dorvik avrsim)
    configure_file(doc/man/${page}.1.scd.in ${man_dir}/${page}.1.scd @ONLY)
    add_custom_command(OUTPUT ${man_dir}/${page}.1.gz
      COMMAND sh -c "\"$0\" < ${page}.1.scd > ${page}.1 && gzip -9n -c ${page}.1 > ${page}.1.gz"
              ${QUARNEL_SCDOC}
      DEPENDS ${man_dir}/${page}.1.scd
      WORKING_DIRECTORY ${man_dir} VERBATIM)
    list(APPEND man_pages ${man_dir}/${page}.1.gz)
  endforeach()
  add_custom_target(quarnel_manpages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  if(QUARNEL_TESTS)
    add_test(NAME manpage_quarnel_switches
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/doc/man_switches.sh ${man_dir}/quarnel.1.scd
              $<TARGET_FILE:quarnel> -?)
    add_test(NAME manpage_dorvik_switches
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/doc/man_switches.sh ${man_dir}/dorvik.1.scd
              $<TARGET_FILE:dorvik> -h)
  endif()
endfunction()

quarnel_manpages()
