# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers, the
# -posix ones (the win32 thread model has no C++ threads). The dependencies
# built for Windows live in ORBA_WINDOWS_DEPS (a cache variable or the
# environment variable of that name): headers, static libraries and their
# pkg-config files, which pkg-config is pointed at instead of the machine's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORBA_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ORBA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORBA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORBA_MINGW_TRIPLET}-windres)

if(NOT ORBA_WINDOWS_DEPS AND DEFINED ENV{ORBA_WINDOWS_DEPS})
  set(ORBA_WINDOWS_DEPS $ENV{ORBA_WINDOWS_DEPS})
endif()
set(ORBA_WINDOWS_DEPS "${ORBA_WINDOWS_DEPS}" CACHE PATH "The dependencies built for Windows")
# try_compile projects configure with this file too and need the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORBA_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${ORBA_MINGW_TRIPLET} ${ORBA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only the Windows dependencies' pkg-config files, with the libraries a static
# link needs.
if(ORBA_WINDOWS_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} ${ORBA_WINDOWS_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(PKG_CONFIG_ARGN --static)

# The C and C++ runtimes and the thread library linked in: a program needs no
# DLL beyond the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
