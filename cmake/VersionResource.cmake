# corvane_add_version_resource(TARGET DESCRIPTION): gives a Windows program Corvane's icon and
# a version resource (FileVersion and ProductVersion from project(VERSION ...)), so Explorer's
# Properties page tells one build from another. Does nothing for other platforms.
function(corvane_add_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  set(CORVANE_FILE_DESCRIPTION "${description}")
  get_target_property(CORVANE_FILE_NAME ${target} OUTPUT_NAME)
  if(NOT CORVANE_FILE_NAME)
    set(CORVANE_FILE_NAME ${target})
  endif()
  set(CORVANE_ICON_FILE "${PROJECT_SOURCE_DIR}/res/corvane.ico")
  set(CORVANE_VERSION ${CMAKE_PROJECT_VERSION})
  # The numeric form has four parts: 1.0.0 -> 1,0,0,0.
  set(parts ${CMAKE_PROJECT_VERSION_MAJOR} ${CMAKE_PROJECT_VERSION_MINOR}
            ${CMAKE_PROJECT_VERSION_PATCH} ${CMAKE_PROJECT_VERSION_TWEAK} 0 0 0)
  list(SUBLIST parts 0 4 parts)
  list(JOIN parts "," CORVANE_VERSION_COMMAS)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${PROJECT_SOURCE_DIR}/res/version.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
  # windres does not see the icon as an input of the .rc: rebuild when it changes.
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS "${CORVANE_ICON_FILE}")
endfunction()
