# Cross-compiling for 32-bit Windows with Debian's MinGW-w64. The release
# program is this build: it runs on 32-bit and 64-bit Windows and on ARM64
# Windows through its x86 emulation.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
