# SPDX-License-Identifier: ISC
# Cross build for Windows on i686 with Debian's mingw-w64 compilers.
set(TAPESTRUM_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
