# The tablet through Wintab32.dll, loaded at run time (nothing to link).
include(${CMAKE_CURRENT_LIST_DIR}/wintab_pressure.cmake)
target_sources(orvella PRIVATE ${CMAKE_CURRENT_LIST_DIR}/wintab.cpp)
target_link_libraries(orvella PRIVATE orvella_wintab_pressure)
