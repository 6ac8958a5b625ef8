# GoogleTest is built from Debian's source package so the native, sanitizer
# and Windows builds all use the same framework compiled with their flags.
set(ORVELLA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${ORVELLA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# orvella_test(NAME SOURCES... LIBS libs...)
# Natively every test case is its own ctest entry. Cross-built tests run under
# an emulator (Wine), whose start-up is slow, so there each executable is one
# entry that runs all of its cases.
function(orvella_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
  else()
    # Each case carries its executable's name as a label, so a
    # configuration can run a chosen set of executables.
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES PROPERTIES LABELS ${name})
  endif()
endfunction()
