# The keyboard and game controllers through SDL, as DirectInput key codes and axes.
add_library(orvella_sdl_keyboard_map STATIC ${CMAKE_CURRENT_LIST_DIR}/keyboard_map.cpp)
target_link_libraries(orvella_sdl_keyboard_map PUBLIC SDL2::SDL2)

target_sources(orvella PRIVATE ${CMAKE_CURRENT_LIST_DIR}/keyboard.cpp)
target_link_libraries(orvella PRIVATE orvella_sdl_keyboard_map)

if(ORVELLA_TESTS)
  orvella_test(sdl_keyboard_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/keyboard_map_test.cpp
    LIBS orvella_sdl_keyboard_map)
endif()
