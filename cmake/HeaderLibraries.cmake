# CLI11 and nlohmann-json: header-only libraries from Debian's packages (libcli11-dev,
# nlohmann-json3-dev). Both builds see just their two folders, through links in the build tree:
# the Windows build must not take the rest of the build machine's /usr/include.
set(CORVANE_HEADER_LIBRARY_ROOT /usr/include CACHE PATH "Where CLI/ and nlohmann/ are installed")
set(links ${CMAKE_BINARY_DIR}/header-libraries)
file(MAKE_DIRECTORY ${links})
foreach(folder CLI nlohmann)
  if(NOT EXISTS ${CORVANE_HEADER_LIBRARY_ROOT}/${folder})
    message(FATAL_ERROR "${CORVANE_HEADER_LIBRARY_ROOT}/${folder} is missing: run scripts/install-deps.sh")
  endif()
  file(CREATE_LINK ${CORVANE_HEADER_LIBRARY_ROOT}/${folder} ${links}/${folder} SYMBOLIC)
endforeach()
add_library(corvane_header_libraries INTERFACE)
target_include_directories(corvane_header_libraries SYSTEM INTERFACE ${links})
