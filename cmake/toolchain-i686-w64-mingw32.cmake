# 32-bit Windows build: the program as shipped to 32-bit Windows.
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
