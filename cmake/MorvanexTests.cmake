# Test programs: one per layer, each GoogleTest test a CTest test of its own.
#
#   morvanex_test_program(layer [SOURCES extra...] [LIBRARIES libs...] [ENVIRONMENT vars...])
#
# Builds <layer>_tests from every *_test.cpp under tests/<layer>/, its sub-folders included
# (found anew at each build), and the extra sources, and registers each TEST, TEST_F, TEST_P,
# TYPED_TEST and TYPED_TEST_P it finds in those files as the CTest test
# <layer>/[sub-folder/]<File_test>/<Suite>.<Name>, labelled with the layer.
# Each test runs in a process of its own with a state folder of its own (XDG_STATE_HOME), so
# parallel tests share no journal folder. A test <layer>/unregistered fails when the program holds
# a test that no CTest test runs (a macro this scan cannot read), and a CTest test that runs no
# test at all fails too.
#
#   morvanex_test_file_property(<layer>/<File_test> PROPERTY values...)
#
# Sets a property on every CTest test of one test file (a shared resource, a longer timeout).

set(MORVANEX_REGISTERED_CHECK ${CMAKE_CURRENT_LIST_DIR}/RegisteredTests.cmake)

# Test code is compiled for a short build: no optimisation and line tables only, which still
# name the line of a failure. The program's libraries the tests link keep the build's own flags.
# (Without the optimiser GCC's flow warnings, such as maybe-uninitialized, do not run on test
# code; they still do on the program's.)
set(MORVANEX_TEST_COMPILE_OPTIONS -O0 -g1)

function(morvanex_test_program layer)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
  file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*_test.cpp)
  if(NOT tests)
    return()
  endif()
  set(target ${layer}_tests)
  add_executable(${target} ${tests} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES})
  target_compile_options(${target} PRIVATE ${MORVANEX_TEST_COMPILE_OPTIONS})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  add_dependencies(morvanex_test_programs ${target})

  set(word "[A-Za-z_0-9]+")
  set(space "[ \t\r\n]*")
  set(filters "")
  foreach(source IN LISTS tests)
    # The file's path under the layer's folder, without its extension: engine/plan/Plan_test.
    file(RELATIVE_PATH file ${CMAKE_CURRENT_SOURCE_DIR}/${layer} ${source})
    string(REGEX REPLACE "\\.cpp$" "" file "${file}")
    file(READ ${source} text)
    # A test added to the file is registered by the next build: the file's edit configures anew.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    # Tests named in comments are not tests.
    string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" text "${text}")
    string(REGEX REPLACE "//[^\n]*" "" text "${text}")
    string(REGEX MATCHALL
           "(^|[^A-Za-z_0-9])(TYPED_TEST_P|TYPED_TEST|TEST_P|TEST_F|TEST)${space}\\(${space}${word}${space},${space}${word}${space}\\)"
           hits "${text}")
    set(names "")
    foreach(hit IN LISTS hits)
      string(REGEX MATCH "(TYPED_TEST_P|TYPED_TEST|TEST_P|TEST_F|TEST)${space}\\(${space}(${word})${space},${space}(${word})"
             found "${hit}")
      set(kind ${CMAKE_MATCH_1})
      set(suite ${CMAKE_MATCH_2})
      set(name ${CMAKE_MATCH_3})
      if(kind STREQUAL "TEST_P")
        set(filter "*/${suite}.${name}/*")
      elseif(kind STREQUAL "TYPED_TEST_P")
        set(filter "*/${suite}/*.${name}")
      elseif(kind STREQUAL "TYPED_TEST")
        set(filter "${suite}/*.${name}")
      else()
        set(filter "${suite}.${name}")
      endif()
      set(test ${layer}/${file}/${suite}.${name})
      add_test(NAME ${test} COMMAND ${target} --gtest_filter=${filter})
      set_tests_properties(${test} PROPERTIES
        LABELS ${layer}
        ENVIRONMENT "${ARG_ENVIRONMENT};XDG_STATE_HOME=${CMAKE_BINARY_DIR}/test-state/${test}"
        FAIL_REGULAR_EXPRESSION "Running 0 tests from 0 test suites")
      list(APPEND names ${test})
      list(APPEND filters ${filter})
    endforeach()
    set_property(GLOBAL PROPERTY MORVANEX_TESTS_${layer}/${file} ${names})
  endforeach()

  list(JOIN filters ":" filters)
  add_test(NAME ${layer}/unregistered
           COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DFILTERS=${filters}
                   -P ${MORVANEX_REGISTERED_CHECK})
  set_tests_properties(${layer}/unregistered PROPERTIES LABELS ${layer}
    ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()

function(morvanex_test_file_property file property)
  get_property(tests GLOBAL PROPERTY MORVANEX_TESTS_${file})
  if(NOT tests)
    message(FATAL_ERROR "no tests in ${file}")
  endif()
  set_tests_properties(${tests} PROPERTIES ${property} "${ARGN}")
endfunction()

if(NOT TARGET morvanex_test_programs)
  # Every test program: what the sanitizer build makes, and what `ctest` needs.
  add_custom_target(morvanex_test_programs)
endif()
