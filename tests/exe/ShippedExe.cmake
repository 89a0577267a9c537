cmake_minimum_required(VERSION 3.20)
# Checks the program that users copy to Windows: a 32-bit PE image, small, needing no DLL
# beyond Windows' own, hardened, with no time stamp, and built again from the same sources
# into the same bytes. Run on the host:
#   cmake -DEXE=... -DOBJDUMP=... [-DFORMAT=pei-x86-64] [-DSOURCE_DIR=... -DTOOLCHAIN=...] -P ShippedExe.cmake
# FORMAT names the 64-bit twin's format, for which the same checks hold (and high-entropy
# address randomisation as well) but the second build is not made.
# With SOURCE_DIR and TOOLCHAIN the program is built a second time, from scratch, in a folder
# beside EXE (about 20 s on two cores) and compared byte for byte: that catches a stamp
# wherever it is (the linker's, the resource compiler's, a date or a build path in the code).
set(MAX_BYTES 131072)
# What the loader resolves before WinMain, when a DLL beside the program could still be
# taken: only these, which Windows always takes from System32. The rest is delay-loaded.
set(STARTUP_DLLS kernel32.dll msvcrt.dll ntdll.dll)
if(NOT DEFINED FORMAT)
  set(FORMAT pei-i386)
endif()
set(HARDENING DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE)
if(FORMAT STREQUAL "pei-x86-64")
  list(APPEND HARDENING HIGH_ENTROPY_VA)
endif()

file(SIZE "${EXE}" size)
if(size GREATER MAX_BYTES)
  message(FATAL_ERROR "${EXE} is ${size} bytes, more than ${MAX_BYTES}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump cannot read ${EXE}")
endif()
if(NOT headers MATCHES "file format ${FORMAT}\n")
  message(FATAL_ERROR "${EXE} is not of the format ${FORMAT}")
endif()
string(REGEX MATCH "DllCharacteristics[^\n]*\n(\t\t\t\t\t[A-Z_]+\n)*" characteristics "${headers}")
foreach(flag IN LISTS HARDENING)
  if(NOT characteristics MATCHES "\t${flag}\n")
    message(FATAL_ERROR "${EXE} is not marked ${flag}: ${characteristics}")
  endif()
endforeach()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
if(NOT imports)
  message(FATAL_ERROR "${EXE} lists no imports")
endif()
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST STARTUP_DLLS)
    message(FATAL_ERROR "${EXE} imports ${dll} before WinMain; only ${STARTUP_DLLS} may be")
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
message(STATUS "${EXE}: ${size} bytes, ${FORMAT}, ${HARDENING}, imports ${imports}, no time stamp${reproduced}")
