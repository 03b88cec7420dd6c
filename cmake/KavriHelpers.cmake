# Shared build helpers.

# Our own code builds with warnings as errors; third-party code keeps its own flags.
function(kavri_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# Collects the .cpp files of a folder. Files ending in _win32.cpp only build for
# Windows, files ending in _posix.cpp only for the native (Linux) build.
function(kavri_sources out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS "${dir}/*.cpp")
    foreach(f IN LISTS found)
      if(f MATCHES "_win32\\.cpp$" AND NOT WIN32)
        continue()
      endif()
      if(f MATCHES "_posix\\.cpp$" AND WIN32)
        continue()
      endif()
      list(APPEND result "${f}")
    endforeach()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# The layers from the bottom up. Code may include its own layer and those
# below it, never one above.
set(KAVRI_LAYERS_PLATFORM common platform)
set(KAVRI_LAYERS_SETTINGS ${KAVRI_LAYERS_PLATFORM} settings)
set(KAVRI_LAYERS_AUDIO ${KAVRI_LAYERS_PLATFORM} audio)
set(KAVRI_LAYERS_TRANSPORT ${KAVRI_LAYERS_PLATFORM} settings audio transport)
set(KAVRI_LAYERS_CORE ${KAVRI_LAYERS_TRANSPORT} core)
set(KAVRI_LAYERS_UI ${KAVRI_LAYERS_CORE} ui)
set(KAVRI_LAYERS_TOOLS ${KAVRI_LAYERS_UI} tools)
set(KAVRI_LAYERS_TESTS ${KAVRI_LAYERS_TOOLS} tests bench)

# An include root in the build tree that shows only the given top-level
# folders (symbolic links to them), so that an include of any other folder
# fails to compile. Returns its path.
function(kavri_layer_root out name)
  set(root "${CMAKE_BINARY_DIR}/layers/${name}")
  file(REMOVE_RECURSE "${root}")
  file(MAKE_DIRECTORY "${root}")
  foreach(folder IN LISTS ARGN)
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${root}/${folder}" SYMBOLIC)
  endforeach()
  set(${out} "${root}" PARENT_SCOPE)
endfunction()

# One static library per subsystem, made of the named folders' sources. It
# sees only the folders of LAYERS (default: every folder).
function(kavri_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;LIBS;LAYERS" ${ARGN})
  if(NOT ARG_LAYERS)
    set(ARG_LAYERS ${KAVRI_LAYERS_TESTS})
  endif()
  kavri_layer_root(root ${name} ${ARG_LAYERS})
  kavri_sources(srcs ${ARG_DIRS})
  if(NOT srcs)
    # A subsystem that has only headers so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${root})
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  kavri_warnings(${name})
endfunction()

# One test executable per folder of tests/. Natively every case is its own
# CTest test; under Wine each executable is one test, because every Wine
# process start costs a second or more.
function(kavri_test_folder name dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  kavri_sources(srcs ${dir})
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE kavri_test_support ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  kavri_warnings(${name})
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  endif()
endfunction()
