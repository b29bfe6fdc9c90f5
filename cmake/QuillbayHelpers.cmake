# quillbay_library(NAME SOURCES ... DEPS ...): a static library of ours with the shared warnings.
function(quillbay_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  # One unit: the headers, and the inline code they bring, compiled once a library rather than
  # once a file. The dev tree keeps each file on its own, which also checks its includes.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ${QUILLBAY_UNITY})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE quillbay_warnings)
endfunction()

# quillbay_test(NAME SOURCES ... DEPS ...): one GoogleTest executable per subsystem, registered
# with CTest. When cross-compiling it is one test, run once through CMAKE_CROSSCOMPILING_EMULATOR:
# one Wine start for all its cases rather than one per case.
function(quillbay_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main
                                        quillbay_warnings quillbay_test_flags)
  target_compile_definitions(${name} PRIVATE
                             QUILLBAY_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
  else()
    # Parameterised cases are named by their parameters' names alone: without
    # NO_PRETTY_VALUES a byte dump of each parameter, different in every run, joins the name.
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)
  endif()
endfunction()
