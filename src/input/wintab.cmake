# The tablet through Wintab32.dll, loaded at run time (nothing to link).
include(${CMAKE_CURRENT_LIST_DIR}/wintab_pressure.cmake)
target_sources(orvella PRIVATE ${CMAKE_CURRENT_LIST_DIR}/wintab.cpp)
target_link_libraries(orvella PRIVATE orvella_wintab_pressure)

# A stand-in Wintab32.dll that plays scripted packets, for running the real
# program under Wine with a tablet.
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/wintab_test_dll ${CMAKE_BINARY_DIR}/src/input/wintab_test_dll)
