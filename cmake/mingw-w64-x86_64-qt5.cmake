# Cross-compiles for 64-bit Windows with mingw-w64 (POSIX threads) against a Qt 5.15 built for
# Windows. Name the Qt folder (the one holding lib/cmake/Qt5) with -DQT_WIN64_PREFIX=... or the
# environment variable QT_WIN64_PREFIX. scripts/windows-build.sh sets all of this up.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER /usr/bin/${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER /usr/bin/${TOOLCHAIN_PREFIX}-windres)

if(NOT QT_WIN64_PREFIX)
  set(QT_WIN64_PREFIX "$ENV{QT_WIN64_PREFIX}")
endif()
if(NOT QT_WIN64_PREFIX)
  message(FATAL_ERROR "Set QT_WIN64_PREFIX to the folder of a Qt built for Windows")
endif()
# Try-compile projects read this file again and need the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QT_WIN64_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX} ${QT_WIN64_PREFIX})
set(CMAKE_PREFIX_PATH ${QT_WIN64_PREFIX})
# Qt's moc, rcc and uic in that folder are Linux programs; they are imported by path.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
