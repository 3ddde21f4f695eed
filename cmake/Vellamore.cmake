# Helpers shared by every component's CMakeLists.txt.

# vellamore_add_gtest(NAME SOURCES... LIBS libs...)
# A GoogleTest program registered with CTest, one CTest test per test case,
# linked with the shared test support (testing/).
function(vellamore_add_gtest name)
  if(NOT VELLAMORE_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vlm_testing GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VELLAMORE_BIN_DIR="${VELLAMORE_BIN_DIR}"
    VELLAMORE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VELLAMORE_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

# vellamore_add_fuzzer(NAME SOURCES... LIBS libs...)
# A libFuzzer target, built only with VELLAMORE_FUZZ under clang.
function(vellamore_add_fuzzer name)
  if(NOT VELLAMORE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()
