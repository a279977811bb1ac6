# Shared part of the two mingw-w64 toolchain files; MINGW_TRIPLE names the target.
set(CMAKE_SYSTEM_NAME Windows)
if(MINGW_TRIPLE MATCHES "^x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

# The posix thread model: GoogleTest needs std::mutex, which the win32 model lacks in GCC 12.
# winpthread is linked statically like the rest of the runtime.
foreach(tool gcc g++)
  find_program(MINGW_${tool} NAMES ${MINGW_TRIPLE}-${tool}-posix ${MINGW_TRIPLE}-${tool} REQUIRED)
endforeach()
set(CMAKE_C_COMPILER ${MINGW_gcc})
set(CMAKE_CXX_COMPILER ${MINGW_g++})
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
