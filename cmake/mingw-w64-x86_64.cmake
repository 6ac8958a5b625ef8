# Cross-compiling for 64-bit Windows with Debian's mingw-w64. The posix-threads
# compilers are named explicitly: the win32-threads variant has no std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

# libpng and libjpeg-turbo, built as static libraries by scripts/build-win64-deps.
set(ORVELLA_WIN64_DEPS "$ENV{HOME}/.cache/orvella/win64-deps" CACHE PATH "Cross-built libraries")
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${ORVELLA_WIN64_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Debian's mingw zlib comes as both libz.a and the import library libz.dll.a,
# and FindZLIB (also called by FindPNG) would pick the DLL. The program is one
# self-contained exe, so take the static one. Set here and not in the project:
# natively the system's shared zlib is the right choice.
set(ZLIB_USE_STATIC_LIBS ON)
