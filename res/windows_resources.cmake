# The resource script, compiled by the toolchain's windres into an object
# library that the program links: orvane_resources.

# The manifest names the common-controls assembly of the program's own
# processor architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ORVANE_MANIFEST_ARCHITECTURE amd64)
else()
  set(ORVANE_MANIFEST_ARCHITECTURE x86)
endif()
configure_file(orvane.manifest.in orvane.manifest @ONLY)

# The main dialog's caption is the application title; take it from the one
# list of texts rather than writing it a second time.
set(status_texts ${CMAKE_CURRENT_SOURCE_DIR}/../update/status_messages.inc)
file(READ ${status_texts} status_text_lines)
string(REGEX MATCH "IDS_APP_TITLE, *(\"[^\"\n]*\")" title_match "${status_text_lines}")
if(NOT title_match)
  message(FATAL_ERROR "${status_texts}: no IDS_APP_TITLE text for the main dialog's caption.")
endif()
set(ORVANE_RC_APP_TITLE "${CMAKE_MATCH_1}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${status_texts})

set(ORVANE_RC_FIRMWARE_FILE "${ORVANE_FIRMWARE_FILE}")
set(ORVANE_RC_ICON_FILE "${CMAKE_CURRENT_SOURCE_DIR}/orvane.ico")
set(ORVANE_RC_MANIFEST_FILE "${CMAKE_CURRENT_BINARY_DIR}/orvane.manifest")
foreach(path_variable ORVANE_RC_FIRMWARE_FILE ORVANE_RC_ICON_FILE ORVANE_RC_MANIFEST_FILE)
  if(${path_variable} MATCHES "[\"\\\\]")
    message(FATAL_ERROR "Resource file path ${${path_variable}}: quotes and backslashes are not supported.")
  endif()
endforeach()
configure_file(resource_build.h.in resource_build.h @ONLY)

add_library(orvane_resources OBJECT orvane.rc)
target_include_directories(orvane_resources PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(orvane_resources PRIVATE orvane_resource_ids)
# windres reports no dependencies of its own: list what the script pulls in.
set_source_files_properties(orvane.rc PROPERTIES OBJECT_DEPENDS
  "${status_texts};${CMAKE_CURRENT_SOURCE_DIR}/resource.h;${CMAKE_CURRENT_BINARY_DIR}/resource_build.h;${ORVANE_RC_FIRMWARE_FILE};${ORVANE_RC_ICON_FILE};${ORVANE_RC_MANIFEST_FILE}")

# A program with nothing but the resources, to read them back before the
# real program exists and to compare the two builds' resources with.
add_executable(orvane_resource_probe resource_probe.cpp)
target_link_libraries(orvane_resource_probe PRIVATE orvane_resources)
