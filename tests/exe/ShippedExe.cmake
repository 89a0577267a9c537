cmake_minimum_required(VERSION 3.20)
# Checks the program that users copy to Windows: a 32-bit PE image, small, needing no DLL
# beyond Windows' own, with no time stamp, and built again from the same sources into the
# same bytes. Run on the host:
#   cmake -DEXE=... -DOBJDUMP=... [-DSOURCE_DIR=... -DTOOLCHAIN=...] -P ShippedExe.cmake
# With SOURCE_DIR and TOOLCHAIN the program is built a second time, from scratch, in a folder
# beside EXE (about 20 s on two cores) and compared byte for byte: that catches a stamp
# wherever it is (the linker's, the resource compiler's, a date or a build path in the code).
set(MAX_BYTES 131072)
set(WINDOWS_DLLS advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ntdll.dll user32.dll)

file(SIZE "${EXE}" size)
if(size GREATER MAX_BYTES)
  message(FATAL_ERROR "${EXE} is ${size} bytes, more than ${MAX_BYTES}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump cannot read ${EXE}")
endif()
if(NOT headers MATCHES "file format pei-i386")
  message(FATAL_ERROR "${EXE} is not a 32-bit PE image")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
if(NOT imports)
  message(FATAL_ERROR "${EXE} lists no imports")
endif()
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST WINDOWS_DLLS)
    message(FATAL_ERROR "${EXE} imports ${dll}, which Windows does not ship")
  endif()
endforeach()

# The linker writes its time into the PE header unless told not to; the resource compiler
# may write one into each resource directory.
# The header's stamp is read raw: objdump prints it in local time.
file(READ "${EXE}" offset OFFSET 60 LIMIT 4 HEX)
string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" offset "${offset}")
math(EXPR offset "0x${offset} + 8")
file(READ "${EXE}" stamp OFFSET ${offset} LIMIT 4 HEX)
if(NOT stamp STREQUAL "00000000")
  message(FATAL_ERROR "${EXE} has a time stamp in its PE header: ${stamp} (bytes, little-endian)")
endif()
string(REGEX MATCH "Time: 0*[1-9a-fA-F][0-9a-fA-F]*" stamp "${headers}")
if(stamp)
  message(FATAL_ERROR "${EXE} has a time stamp in its resources: ${stamp}")
endif()

if(DEFINED SOURCE_DIR AND DEFINED TOOLCHAIN)
  get_filename_component(folder "${EXE}" DIRECTORY)
  set(again "${folder}/reproduced")
  file(REMOVE_RECURSE "${again}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${again}" "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}"
                          -DCMAKE_BUILD_TYPE=MinSizeRel OUTPUT_QUIET RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${again}" --target Tessaly -j 2 OUTPUT_QUIET RESULT_VARIABLE failed)
  endif()
  if(failed)
    message(FATAL_ERROR "the second build of Tessaly.exe in ${again} failed")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${EXE}" "${again}/Tessaly.exe" RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${EXE} and its second build ${again}/Tessaly.exe differ")
  endif()
  file(REMOVE_RECURSE "${again}")
  set(reproduced ", built again into the same bytes")
endif()
message(STATUS "${EXE}: ${size} bytes, PE32, imports ${imports}, no time stamp${reproduced}")
