# Shared half of the mingw-w64 toolchain files; CHRONALT_TRIPLE names the target.
set(CMAKE_C_COMPILER ${CHRONALT_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CHRONALT_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CHRONALT_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CHRONALT_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# One self-contained executable: no libstdc++, libgcc or winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
