# Installation and the Debian package: the converter, the tools that are built, a manual page for
# each, and the licence.
#
#   cmake --install build --prefix /usr/local
#   cd build && cpack -G DEB
#
# Cross-built for Windows, the package is a zip instead (cmake/WindowsPackage.cmake).
include(GNUInstallDirs)

set(DROVANE_PROGRAMS drovane2csv)
foreach(tool drovane-synth drovane-plot)
  if(TARGET ${tool})
    list(APPEND DROVANE_PROGRAMS ${tool})
  endif()
endforeach()
set(CPACK_PACKAGE_NAME drovane2csv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "drovane2csv developers")

# The manual pages carry the project's version: man/PROGRAM.1.in becomes build/man/PROGRAM.1.
foreach(program drovane2csv drovane-synth drovane-plot)
  configure_file(${PROJECT_SOURCE_DIR}/man/${program}.1.in ${PROJECT_BINARY_DIR}/man/${program}.1 @ONLY)
endforeach()
if(WIN32)
  # The workbook's own program goes into the zip beside the others; drovane2csv's page is its own.
  set(DROVANE_MANUAL_PROGRAMS ${DROVANE_PROGRAMS})
  if(TARGET drovane2xlsx)
    list(APPEND DROVANE_PROGRAMS drovane2xlsx)
  endif()
  # How the programs are used from Command Prompt and PowerShell: a page of the Windows zip only.
  configure_file(${PROJECT_SOURCE_DIR}/man/drovane-windows.7.in ${PROJECT_BINARY_DIR}/man/drovane-windows.7 @ONLY)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsResources.cmake)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsPackage.cmake)
  return()
endif()
install(TARGETS ${DROVANE_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages go out compressed, as Debian keeps them, when gzip is at hand.
find_program(DROVANE_GZIP gzip)
set(DROVANE_MAN_PAGES)
foreach(program ${DROVANE_PROGRAMS})
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  if(DROVANE_GZIP)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${DROVANE_GZIP} -9 -n -k -f ${page}
      DEPENDS ${page}
      COMMENT "Compressing the manual page ${program}.1"
      VERBATIM)
    list(APPEND DROVANE_MAN_PAGES ${page}.gz)
  else()
    list(APPEND DROVANE_MAN_PAGES ${page})
  endif()
endforeach()
add_custom_target(manpages ALL DEPENDS ${DROVANE_MAN_PAGES})
install(FILES ${DROVANE_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The licence, where Debian keeps a package's copyright: share/doc/drovane2csv/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${PROJECT_NAME}
        RENAME copyright)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

set(CPACK_PACKAGE_CONTACT "drovane2csv developers <drovane2csv@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert raw CAN logs of the Drovane in-car display to CSV")
set(CPACK_PACKAGE_DESCRIPTION
  "drovane2csv reads the raw CAN logs that the Drovane display records and writes one CSV row per
cycle of the car's messages: battery, speeds, engine, pedals, shifter, lights, fuel flow and fuel
economy, in metric or US units. The package also holds the tools that are built with it:
drovane-synth writes the raw log of a simulated drive, drovane-plot draws a converted drive as an
SVG picture; the Python module drovane reads a log straight into a pandas frame.")
# The Python module drovane needs Debian's Python and pandas; its fleet table on a cluster, Dask.
if(TARGET drovane_python)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3, python3-numpy, python3-pandas")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-distributed")
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs need, worked out from the programs themselves when dpkg-shlibdeps
# (dpkg-dev) is there; otherwise the C and C++ runtimes of the compiler used.
find_program(DROVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DROVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  # The workbook of --xlsx linked to Debian's shared libxlsxwriter and minizip.
  if(DROVANE_XLSX_BUILT AND NOT DROVANE_XLSXWRITER_STATIC)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libxlsxwriter4, libminizip1")
  endif()
endif()
include(CPack)
