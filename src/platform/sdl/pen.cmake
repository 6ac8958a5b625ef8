# The pen on X11: pressure, proximity and the eraser end from XInput2 valuators.
find_package(X11 REQUIRED)
if(NOT X11_Xi_FOUND)
  message(FATAL_ERROR "XInput2 (libxi-dev) is needed for pen input")
endif()

add_library(orvella_sdl_pen STATIC ${CMAKE_CURRENT_LIST_DIR}/pen_valuators.cpp)
target_link_libraries(orvella_sdl_pen PUBLIC orvella_platform_core)

target_sources(orvella PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pen.cpp)
target_link_libraries(orvella PRIVATE orvella_sdl_pen X11::Xi X11::X11)

if(ORVELLA_TESTS)
  orvella_test(sdl_pen_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/pen_valuators_test.cpp
    LIBS orvella_sdl_pen)
endif()

# The Wintab pressure arithmetic is portable; its tests run natively too.
include(${PROJECT_SOURCE_DIR}/src/input/wintab_pressure.cmake)
