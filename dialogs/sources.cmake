# Every .cpp here is portable core, except files ending in _win.cpp (Win32 only).
file(GLOB _all CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/dialogs/*.cpp)
foreach(_f ${_all})
  if(_f MATCHES "_win\\.cpp$")
    list(APPEND DORVIK_WIN_SOURCES ${_f})
  elseif(NOT _f MATCHES "/app/winmain\\.cpp$")
    list(APPEND DORVIK_CORE_SOURCES ${_f})
  endif()
endforeach()
