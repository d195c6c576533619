# Building for the browser with Debian's emscripten. The dependencies built
# for the page (scripts/web-deps.sh) live in ORBA_WEB_DEPS (a cache variable
# or the environment variable of that name): headers, static libraries and
# their pkg-config files, which pkg-config is pointed at instead of the
# machine's own.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

if(NOT ORBA_WEB_DEPS AND DEFINED ENV{ORBA_WEB_DEPS})
  set(ORBA_WEB_DEPS $ENV{ORBA_WEB_DEPS})
endif()
set(ORBA_WEB_DEPS "${ORBA_WEB_DEPS}" CACHE PATH "The dependencies built for the page")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORBA_WEB_DEPS)
list(APPEND CMAKE_FIND_ROOT_PATH ${ORBA_WEB_DEPS})

if(ORBA_WEB_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} ${ORBA_WEB_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(PKG_CONFIG_ARGN --static)

# C++ exceptions carry every end of the game to main.
set(CMAKE_C_FLAGS_INIT "-fexceptions")
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions")
