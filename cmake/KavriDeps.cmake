# Third-party dependencies: libopus, threads, GoogleTest, Google Benchmark.
find_package(Threads REQUIRED)

if(WIN32)
  if(NOT EXISTS "${KAVRI_OPUS_MINGW}/lib/libopus.a")
    message(FATAL_ERROR "libopus for mingw not found in ${KAVRI_OPUS_MINGW}; run scripts/build-opus-mingw")
  endif()
  add_library(kavri_opus STATIC IMPORTED GLOBAL)
  set_target_properties(kavri_opus PROPERTIES
    IMPORTED_LOCATION "${KAVRI_OPUS_MINGW}/lib/libopus.a"
    INTERFACE_INCLUDE_DIRECTORIES "${KAVRI_OPUS_MINGW}/include"
    # The library is built with fortified string calls.
    INTERFACE_LINK_LIBRARIES ssp)
  # A fully static program: no libstdc++/libgcc/winpthread DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(OPUS REQUIRED IMPORTED_TARGET opus)
  add_library(kavri_opus INTERFACE IMPORTED GLOBAL)
  target_link_libraries(kavri_opus INTERFACE PkgConfig::OPUS)
  pkg_check_modules(PULSE_SIMPLE REQUIRED IMPORTED_TARGET libpulse-simple)
  pkg_check_modules(BLUEZ REQUIRED IMPORTED_TARGET bluez)
endif()

if(KAVRI_BUILD_TESTS)
  if(WIN32)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
    include(GoogleTest)
  endif()
endif()
