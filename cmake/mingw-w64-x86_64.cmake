# Cross-compiles for 64-bit Windows on Debian with MinGW-w64 (package
# g++-mingw-w64-x86-64-posix). The posix flavour of the compiler is the one
# whose standard library has std::thread and std::mutex, which GoogleTest needs.
#
#   cmake --preset windows        (or -DCMAKE_TOOLCHAIN_FILE=<this file>)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

# Libraries and headers come from the MinGW tree only; programs (the resource
# compiler, Wine, shells) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program links the C++ runtime, libgcc and winpthreads in, so that it
# runs on a clean Windows (and under Wine) with no MinGW DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
