# The kit's portable parts: logic without windows that the native tests need, built into the
# core. Everything else in kit/ is window code.
foreach(_portable device_page)
  list(REMOVE_ITEM DORVIK_WIN_SOURCES ${CMAKE_SOURCE_DIR}/kit/${_portable}.cpp)
  list(APPEND DORVIK_CORE_SOURCES ${CMAKE_SOURCE_DIR}/kit/${_portable}.cpp)
endforeach()
