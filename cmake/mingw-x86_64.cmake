# SPDX-License-Identifier: ISC
# Cross build for Windows on x86_64 with Debian's mingw-w64 compilers.
set(TAPESTRUM_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
