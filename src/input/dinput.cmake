# The keyboard and game controllers through DirectInput 8.
add_library(orvella_dinput_joystick STATIC ${CMAKE_CURRENT_LIST_DIR}/dinput_joystick.cpp)

target_sources(orvella PRIVATE ${CMAKE_CURRENT_LIST_DIR}/dinput.cpp)
target_link_libraries(orvella PRIVATE orvella_dinput_joystick dinput8 dxguid)

if(ORVELLA_TESTS)
  orvella_test(dinput_joystick_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/dinput_joystick_test.cpp
    LIBS orvella_dinput_joystick)
endif()
