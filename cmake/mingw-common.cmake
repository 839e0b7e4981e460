# Debian ships each MinGW-w64 compiler in a win32-thread and a posix-thread
# flavour; the program has one thread, so the win32 flavour does.
foreach(lang C CXX)
  if(lang STREQUAL C)
    set(_name gcc)
  else()
    set(_name g++)
  endif()
  find_program(_compiler_${lang} NAMES ${ORVANE_MINGW_TRIPLE}-${_name}-win32 ${ORVANE_MINGW_TRIPLE}-${_name} REQUIRED)
  set(CMAKE_${lang}_COMPILER ${_compiler_${lang}})
endforeach()
find_program(CMAKE_RC_COMPILER NAMES ${ORVANE_MINGW_TRIPLE}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# One self-contained exe: no MinGW runtime DLLs to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
