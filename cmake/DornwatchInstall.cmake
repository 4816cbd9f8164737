# What `cmake --install` puts where, and the Debian package made of it
# (scripts/package): the program and its tools in bin/, the desktop entry,
# the AppStream metainfo, the program's icon in the hicolor theme, and man
# pages made at build time from their scdoc sources in docs/man/.

include(GNUInstallDirs)

# The version is the one the About window shows (kVersion in
# app/frame/main_frame.h), so that the two cannot drift apart.
file(STRINGS ${CMAKE_SOURCE_DIR}/app/frame/main_frame.h dw_version_line
     REGEX "kVersion = \"[^\"]+\"")
string(REGEX REPLACE ".*kVersion = \"([^\"]+)\".*" "\\1" DW_VERSION "${dw_version_line}")

install(TARGETS dornwatch dornctl brk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/org.dornwatch.Dornwatch.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/org.dornwatch.Dornwatch.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/desktop/icons/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

find_program(SCDOC scdoc REQUIRED)
set(dw_man_pages)
foreach(page dornwatch.1 dornctl.1 brk.1)
  set(out ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "'${SCDOC}' < '${CMAKE_SOURCE_DIR}/docs/man/${page}.scd' | gzip -9n > '${out}'"
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page}.scd
    COMMENT "Man page ${page}"
    VERBATIM)
  list(APPEND dw_man_pages ${out})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${dw_man_pages})
install(FILES ${dw_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's own documents: the copyright file and a changelog in the
# Debian format, its newest entry naming the version above.
set(DW_MAINTAINER "Dornwatch developers <maintainers@dornwatch.example>")
configure_file(${CMAKE_SOURCE_DIR}/resources/package/changelog.in
               ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.gz
  COMMAND sh -c "gzip -9n < '${CMAKE_BINARY_DIR}/package/changelog' > '${CMAKE_BINARY_DIR}/package/changelog.gz'"
  DEPENDS ${CMAKE_BINARY_DIR}/package/changelog
  COMMENT "Package changelog"
  VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/resources/package/copyright
              ${CMAKE_BINARY_DIR}/package/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dornwatch)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dornwatch)
set(CPACK_PACKAGE_VERSION ${DW_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop task scheduler")
set(CPACK_PACKAGE_DESCRIPTION
    "Dornwatch keeps a schedule of tasks: at the due time it starts a command,\nshows a message, plays an alarm, warns in advance and asks about missed\nruns. It keeps a to-do list and categories, and dornctl keeps the schedule\nfrom the command line.")
set(CPACK_PACKAGE_CONTACT "${DW_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs need are found by dpkg-shlibdeps, not listed here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
