# Fails when a test program holds a test that none of its CTest tests runs: it lists the tests
# that none of FILTERS (GoogleTest filters joined by ':') selects.
#   cmake -DPROGRAM=path -DFILTERS=a:b -P RegisteredTests.cmake
execute_process(COMMAND ${PROGRAM} --gtest_list_tests "--gtest_filter=-${FILTERS}"
                OUTPUT_VARIABLE listed RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --gtest_list_tests ended with ${status}")
endif()
# The listing is "Suite." lines, each followed by its tests indented.
string(REGEX MATCHALL "\n  [^\n]+" left "\n${listed}")
if(left)
  message(FATAL_ERROR "${PROGRAM} holds tests that no CTest test runs (cmake/MorvanexTests.cmake "
                      "finds a test by its TEST macro in a tests/<layer>/*_test.cpp file):\n${listed}")
endif()
message(STATUS "every test of ${PROGRAM} is a CTest test")
