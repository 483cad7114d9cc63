# GoogleTest: the machine's copy natively, built from its sources for the MinGW targets.
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  set(KESTRUM_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KESTRUM_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(KESTRUM_GTEST_LIBS gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  set(KESTRUM_GTEST_LIBS GTest::gmock GTest::gtest_main)
endif()

# Seconds one test program may run before ctest stops it.
set(KESTRUM_TEST_TIMEOUT 180)

# kestrum_test(name SOURCES ... DEPS ... [LABELS ...])
# Natively every case is its own ctest entry; under Wine one process runs a whole program,
# because starting a Windows process is the slow part there.
function(kestrum_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  kestrum_target_options(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} ${KESTRUM_GTEST_LIBS})
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${KESTRUM_TEST_TIMEOUT} LABELS "${ARG_LABELS}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT ${KESTRUM_TEST_TIMEOUT}
                         LABELS "${ARG_LABELS}")
  endif()
endfunction()
