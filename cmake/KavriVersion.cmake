# The program's version and maker, taken from project(VERSION ...) in the top
# CMakeLists.txt, the one place they are written. Generates kavri_version.h
# (plain defines, so that the resource compiler can read it too) and the
# interface target kavri_version that puts it on the include path.

set(KAVRI_PRODUCT_NAME "Kavri Client")
set(KAVRI_PUBLISHER "Kavri")
set(KAVRI_COPYRIGHT "Copyright (C) 2026 Kavri")

foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(KAVRI_VERSION_${part} 0)
  else()
    set(KAVRI_VERSION_${part} ${PROJECT_VERSION_${part}})
  endif()
endforeach()
set(KAVRI_VERSION_TEXT "${PROJECT_VERSION}")
# Windows version records always have four numbers.
set(KAVRI_VERSION_QUAD
    "${KAVRI_VERSION_MAJOR}.${KAVRI_VERSION_MINOR}.${KAVRI_VERSION_PATCH}.${KAVRI_VERSION_TWEAK}")

set(KAVRI_GENERATED_DIR "${PROJECT_BINARY_DIR}/generated")
set(KAVRI_VERSION_HEADER "${KAVRI_GENERATED_DIR}/kavri_version.h")
configure_file("${CMAKE_CURRENT_LIST_DIR}/kavri_version.h.in" "${KAVRI_VERSION_HEADER}" @ONLY)

add_library(kavri_version INTERFACE)
target_include_directories(kavri_version INTERFACE "${KAVRI_GENERATED_DIR}")
