# libsoxr for the core's resampling, as the target corvane_soxr.
#
# Every build compiles it statically from Debian's source package, which scripts/install-deps.sh
# fetches into build/deps/libsoxr (the version of Debian's libsoxr-dev). It is configured as a
# project of its own with the same toolchain, so none of Corvane's warning flags reach its C
# code, with -O2 alone (no -ffast-math, no -march) and without its processor-specific code: no
# SSE/AVX engines or SIMD FFT, chosen by Debian's binary package at run time by the processor it
# finds, and no OpenMP. Its arithmetic is then plain scalar SSE2 on every x86-64 processor, so the
# native and the Windows build resample to the same bytes on any machine.
set(CORVANE_SOXR_SOURCE "${PROJECT_SOURCE_DIR}/build/deps/libsoxr"
    CACHE PATH "Debian's libsoxr source package, unpacked")

if(NOT EXISTS "${CORVANE_SOXR_SOURCE}/src/soxr.c")
  message(FATAL_ERROR "No libsoxr source in ${CORVANE_SOXR_SOURCE}: "
                      "scripts/install-deps.sh fetches it (apt-get source libsoxr)")
endif()
include(ExternalProject)
set(build_dir "${CMAKE_BINARY_DIR}/libsoxr")
set(library "${build_dir}/src/${CMAKE_STATIC_LIBRARY_PREFIX}soxr${CMAKE_STATIC_LIBRARY_SUFFIX}")
if(MSVC)
  set(flags /O2)
else()
  set(flags -O2)
endif()
set(toolchain)
if(CMAKE_TOOLCHAIN_FILE)
  set(toolchain "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}")
endif()
ExternalProject_Add(libsoxr_build
  SOURCE_DIR "${CORVANE_SOXR_SOURCE}"
  BINARY_DIR "${build_dir}"
  CMAKE_ARGS ${toolchain} -DCMAKE_BUILD_TYPE=None "-DCMAKE_C_FLAGS=${flags}"
             -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF
             -DWITH_OPENMP=OFF -DWITH_LSR_BINDINGS=OFF -DWITH_CR32S=OFF -DWITH_CR64S=OFF
             -DWITH_PFFFT=OFF -DWITH_AVFFT=OFF -DWITH_DEV_TRACE=OFF
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${library}")
add_library(corvane_soxr STATIC IMPORTED GLOBAL)
set_target_properties(corvane_soxr PROPERTIES IMPORTED_LOCATION "${library}"
  INTERFACE_INCLUDE_DIRECTORIES "${CORVANE_SOXR_SOURCE}/src")
if(UNIX)
  set_property(TARGET corvane_soxr PROPERTY INTERFACE_LINK_LIBRARIES m)
endif()
add_dependencies(corvane_soxr libsoxr_build)
