# Helpers for registering tests. Test binaries find their data and the
# built programs through paths fixed at configure time, never through the
# working directory.
find_package(GTest REQUIRED)
include(GoogleTest)

set(ZELVON_TEST_DATA_DIR ${CMAKE_SOURCE_DIR}/tests/data)

# zelvon_add_gtest(NAME LABEL label SOURCES ... LIBS ...)
function(zelvon_add_gtest name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    ZELVON_TEST_DATA_DIR="${ZELVON_TEST_DATA_DIR}"
    ZELVON_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ZELVON_BIN_DIR="${ZELVON_BIN_DIR}")
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL}" TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
