# The Windows release: `cmake --build build/windows --target package` writes
# corvane-<version>-win64.zip (CPack's ZIP generator) into the build folder, holding the two
# programs and ReadMe.txt, made from README.md. The programs are linked statically, so no DLL
# goes with them (scripts/check-package.sh proves it).
set(readme "${CMAKE_BINARY_DIR}/ReadMe.txt")
add_custom_command(OUTPUT "${readme}"
  COMMAND "${CMAKE_COMMAND}" "-DREADME=${PROJECT_SOURCE_DIR}/README.md"
          "-DTEMPLATE=${PROJECT_SOURCE_DIR}/res/ReadMe.txt.in" "-DOUTPUT=${readme}"
          "-DCORVANE_VERSION=${PROJECT_VERSION}" -P "${PROJECT_SOURCE_DIR}/cmake/WindowsReadme.cmake"
  DEPENDS "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/res/ReadMe.txt.in"
          "${PROJECT_SOURCE_DIR}/cmake/WindowsReadme.cmake"
  COMMENT "Making ReadMe.txt for the release zip")
add_custom_target(corvane_readme ALL DEPENDS "${readme}")

install(TARGETS corvane corvane-cli RUNTIME DESTINATION . COMPONENT release)
install(FILES "${readme}" DESTINATION . COMPONENT release)
if(EXISTS "${PROJECT_SOURCE_DIR}/LICENSE")
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt COMPONENT release)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_PACKAGE_FILE_NAME "corvane-${PROJECT_VERSION}-win64")
else()
  set(CPACK_PACKAGE_FILE_NAME "corvane-${PROJECT_VERSION}-win32")
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Corvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)  # the files at the top: unpack anywhere, run corvane.exe
set(CPACK_STRIP_FILES ON)
# Only the release component: not GoogleTest or anything else a subproject installs.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Corvane;release;/")
include(CPack)
