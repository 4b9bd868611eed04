# Cross-compiling for 64-bit Windows with MinGW-w64 (posix threads). Linking the program needs
# Windows builds of Boost.Serialization and DevIL: point CMAKE_PREFIX_PATH at them, e.g.
#   cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=/path/to/windows/prefix
# (scripts/build-windows builds such a prefix and the program).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VOXTREL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VOXTREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VOXTREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VOXTREL_MINGW_PREFIX}-windres)

# Searches stay inside the MinGW sysroot and the prefixes of Windows libraries named by
# CMAKE_PREFIX_PATH, so no Linux library or header is ever picked up.
set(CMAKE_FIND_ROOT_PATH /usr/${VOXTREL_MINGW_PREFIX} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A self-contained executable: no libgcc or libstdc++ DLLs to ship beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
