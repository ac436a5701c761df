# The Windows package: a zip of one folder, drovane2csv-VERSION-windows-x86_64, holding the
# programs (drovane2xlsx.exe among them, which writes workbooks), the README, the licence as
# LICENSE.txt and the manual pages as HTML in manual/, with drovane-windows.html, the programs
# from Command Prompt and PowerShell:
#
#   cd build-win && cpack -G ZIP
#
# The pages are made with groff's HTML output (Debian's groff package).
find_program(DROVANE_GROFF groff)
if(DROVANE_GROFF)
  execute_process(COMMAND ${DROVANE_GROFF} -Thtml -v OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE groffHtml)
endif()
if(NOT DROVANE_GROFF OR NOT groffHtml EQUAL 0)
  message(WARNING "groff with its HTML output is not installed (apt-get install groff): the zip has no manual pages")
else()
  set(DROVANE_HTML_PAGES)
  foreach(page ${DROVANE_MANUAL_PROGRAMS} drovane-windows)
    set(program ${page})
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
    if(program STREQUAL drovane-windows)
      set(page ${PROJECT_BINARY_DIR}/man/${program}.7)
    endif()
    set(html ${PROJECT_BINARY_DIR}/manual/${program}.html)
    add_custom_command(OUTPUT ${html}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/manual
      COMMAND sh -c "\"$0\" -mandoc -Thtml \"$1\" >\"$2\"" ${DROVANE_GROFF} ${page} ${html}
      DEPENDS ${page}
      COMMENT "Writing the manual page ${page} as HTML"
      VERBATIM)
    list(APPEND DROVANE_HTML_PAGES ${html})
  endforeach()
  add_custom_target(htmlpages ALL DEPENDS ${DROVANE_HTML_PAGES})
  install(FILES ${DROVANE_HTML_PAGES} DESTINATION manual)
endif()

install(TARGETS ${DROVANE_PROGRAMS} RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
