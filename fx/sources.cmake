# Window code: every .cpp here is Win32 only.
file(GLOB _all CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fx/*.cpp)
list(APPEND DORVIK_WIN_SOURCES ${_all})
