# The portable part of the Wintab tablet (pressure scaling and pen state): a
# library of its own so its tests run natively as well as under Wine.
if(NOT TARGET orvella_wintab_pressure)
  add_library(orvella_wintab_pressure STATIC ${CMAKE_CURRENT_LIST_DIR}/wintab_pressure.cpp)
  target_include_directories(orvella_wintab_pressure PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ORVELLA_TESTS)
    orvella_test(wintab_pressure_tests
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/wintab_pressure_test.cpp
      LIBS orvella_wintab_pressure)
  endif()
endif()
