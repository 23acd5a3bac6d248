# Small helpers so that each folder's CMakeLists.txt stays a few lines long.

# quorvane_library(NAME DIR <dir> [DEPS ...]): a static library from every .cpp in DIR
# (not recursive), public include root = repository root.
function(quorvane_library name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  # One implementation per platform: *_win32.cpp on Windows, *_posix.cpp elsewhere.
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# quorvane_test(NAME SOURCES ... LIBS ...): one GoogleTest program, registered with CTest.
# Test programs live in build/tests so that the program folder holds only what ships.
function(quorvane_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(WIN32)
    # Cross-built: scripts/test-windows runs each test program once under Wine.
    return()
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests DISCOVERY_TIMEOUT 60)
endfunction()

# quorvane_fuzz(NAME SOURCE file LIBS ...): a libFuzzer target. In a normal build it links a
# small replayer instead of libFuzzer and runs every file of fuzz/<NAME>/corpus as a test.
function(quorvane_fuzz name)
  cmake_parse_arguments(ARG "" "SOURCE" "LIBS" ${ARGN})
  set(target fuzz_${name})
  add_executable(${target} ${ARG_SOURCE})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  if(QUORVANE_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  else()
    target_link_libraries(${target} PRIVATE fuzz_replayer)
    add_test(NAME ${target}_corpus
             COMMAND ${target} ${CMAKE_CURRENT_SOURCE_DIR}/corpus)
  endif()
endfunction()
