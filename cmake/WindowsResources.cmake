# Each Windows program carries a manifest (long paths, the UTF-8 code page, Windows 10 and later)
# and a version resource (the file's properties: version, description, licence), made from the
# project's version and LICENSE here. tests/windows checks both in the built programs.
enable_language(RC)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE DROVANE_LICENCE_LINES LIMIT_COUNT 3)
list(GET DROVANE_LICENCE_LINES 0 DROVANE_LICENCE_NAME)    # "MIT License"
list(GET DROVANE_LICENCE_LINES 2 DROVANE_LICENCE_HOLDER)  # "Copyright (c) ..."
set(DROVANE_RESOURCE_COPYRIGHT "${DROVANE_LICENCE_HOLDER}; ${DROVANE_LICENCE_NAME}")
set(DROVANE_RESOURCE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
string(REPLACE "." "," DROVANE_RESOURCE_VERSION_COMMAS ${DROVANE_RESOURCE_VERSION})

set(DROVANE_DESCRIPTION_drovane2csv "Converts raw CAN logs of the Drovane in-car display into CSV files")
set(DROVANE_DESCRIPTION_drovane2xlsx "Converts raw CAN logs of the Drovane in-car display into Excel workbooks")
set(DROVANE_DESCRIPTION_drovane-synth "Writes the raw CAN log of a simulated drive")
set(DROVANE_DESCRIPTION_drovane-plot "Draws a drive converted by drovane2csv as an SVG picture")
foreach(DROVANE_RESOURCE_PROGRAM ${DROVANE_PROGRAMS})
  set(DROVANE_RESOURCE_DESCRIPTION ${DROVANE_DESCRIPTION_${DROVANE_RESOURCE_PROGRAM}})
  set(DROVANE_RESOURCE_MANIFEST ${PROJECT_BINARY_DIR}/resources/${DROVANE_RESOURCE_PROGRAM}.manifest)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/program.manifest.in ${DROVANE_RESOURCE_MANIFEST} @ONLY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/program.rc.in
                 ${PROJECT_BINARY_DIR}/resources/${DROVANE_RESOURCE_PROGRAM}.rc @ONLY)
  target_sources(${DROVANE_RESOURCE_PROGRAM} PRIVATE ${PROJECT_BINARY_DIR}/resources/${DROVANE_RESOURCE_PROGRAM}.rc)
  # The manifest is read by the resource compiler: a changed one makes the resource again.
  set_source_files_properties(${PROJECT_BINARY_DIR}/resources/${DROVANE_RESOURCE_PROGRAM}.rc
    TARGET_DIRECTORY ${DROVANE_RESOURCE_PROGRAM} PROPERTIES OBJECT_DEPENDS ${DROVANE_RESOURCE_MANIFEST})
endforeach()
