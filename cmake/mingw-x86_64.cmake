# The 64-bit twin: the same tree for 64-bit Windows, tested where 32-bit programs cannot run.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
