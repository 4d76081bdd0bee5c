# libsamplerate for the core's resampling, as the target corvane_samplerate.
#
# The cross build for Windows compiles it statically from Debian's source package, which
# scripts/install-deps.sh fetches into build/deps/libsamplerate (the same version as the native
# package). It is configured as a project of its own with the same toolchain, so none of
# Corvane's warning flags reach its C code, and with -O2 alone, as Debian builds it: no
# -ffast-math and no -march, so its arithmetic is plain SSE2 double precision on every x86-64
# processor and the two builds resample to the same bytes.
# Natively it is Debian's libsamplerate0-dev; elsewhere (MSVC) a SampleRate CMake package, e.g.
# vcpkg's.
set(CORVANE_LIBSAMPLERATE_SOURCE "${PROJECT_SOURCE_DIR}/build/deps/libsamplerate"
    CACHE PATH "Debian's libsamplerate source package, unpacked (for the cross build)")

if(CMAKE_CROSSCOMPILING)
  if(NOT EXISTS "${CORVANE_LIBSAMPLERATE_SOURCE}/src/samplerate.c")
    message(FATAL_ERROR "No libsamplerate source in ${CORVANE_LIBSAMPLERATE_SOURCE}: "
                        "scripts/install-deps.sh fetches it (apt-get source libsamplerate)")
  endif()
  include(ExternalProject)
  set(build_dir "${CMAKE_BINARY_DIR}/libsamplerate")
  set(library "${build_dir}/src/${CMAKE_STATIC_LIBRARY_PREFIX}samplerate${CMAKE_STATIC_LIBRARY_SUFFIX}")
  ExternalProject_Add(libsamplerate_build
    SOURCE_DIR "${CORVANE_LIBSAMPLERATE_SOURCE}"
    BINARY_DIR "${build_dir}"
    CMAKE_ARGS "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}" -DCMAKE_BUILD_TYPE=
               -DCMAKE_C_FLAGS=-O2 -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF
               -DLIBSAMPLERATE_EXAMPLES=OFF -DLIBSAMPLERATE_INSTALL=OFF
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS "${library}")
  add_library(corvane_samplerate STATIC IMPORTED GLOBAL)
  set_target_properties(corvane_samplerate PROPERTIES IMPORTED_LOCATION "${library}"
    INTERFACE_INCLUDE_DIRECTORIES "${CORVANE_LIBSAMPLERATE_SOURCE}/include")
  add_dependencies(corvane_samplerate libsamplerate_build)
else()
  find_package(SampleRate CONFIG QUIET)
  if(TARGET SampleRate::samplerate)
    add_library(corvane_samplerate ALIAS SampleRate::samplerate)
  else()
    find_path(CORVANE_SAMPLERATE_INCLUDE_DIR samplerate.h REQUIRED)
    find_library(CORVANE_SAMPLERATE_LIBRARY samplerate REQUIRED)
    add_library(corvane_samplerate UNKNOWN IMPORTED GLOBAL)
    set_target_properties(corvane_samplerate PROPERTIES
      IMPORTED_LOCATION "${CORVANE_SAMPLERATE_LIBRARY}"
      INTERFACE_INCLUDE_DIRECTORIES "${CORVANE_SAMPLERATE_INCLUDE_DIR}")
  endif()
endif()
