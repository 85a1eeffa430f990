# Cross compile for Windows x64 with MinGW-w64. The posix threading flavour is the one
# whose libstdc++ has std::thread and std::mutex, so it is preferred where both exist;
# the plain names serve a MinGW-w64 installed on a Windows host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELTRANE_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER REQUIRED
             NAMES ${VELTRANE_MINGW_TRIPLE}-gcc-posix ${VELTRANE_MINGW_TRIPLE}-gcc gcc.exe)
find_program(CMAKE_CXX_COMPILER REQUIRED
             NAMES ${VELTRANE_MINGW_TRIPLE}-g++-posix ${VELTRANE_MINGW_TRIPLE}-g++ g++.exe)
find_program(CMAKE_RC_COMPILER REQUIRED NAMES ${VELTRANE_MINGW_TRIPLE}-windres windres.exe)

# Headers and libraries come from the MinGW-w64 sysroot only, never from the build host.
if(NOT CMAKE_HOST_WIN32)
  set(CMAKE_FIND_ROOT_PATH /usr/${VELTRANE_MINGW_TRIPLE})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
endif()
