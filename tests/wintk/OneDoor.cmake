# The program opens, tests and deletes file-system objects by name in one file alone,
# src/wintk/FileDoor.cpp, and there only a drive's root: every other open is relative to a
# handle. Fails when a call that takes a path appears anywhere else in src/, or when the door
# opens anything else by name.
set(BY_NAME "CreateFile|OpenFile|GetFileAttributes|SetFileAttributes|FindFirstFile|DeleteFile|RemoveDirectory|CreateDirectory|MoveFile|CopyFile|ReplaceFile|CreateHardLink|CreateSymbolicLink|GetFinalPathNameByHandle|GetLongPathName|GetShortPathName|QueryDosDevice|NtCreateFile|NtOpenFile|NtQueryAttributesFile|NtQueryFullAttributesFile|fopen|_wopen")
file(GLOB_RECURSE sources "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/src/*.h")
set(door "${SOURCE_DIR}/src/wintk/FileDoor.cpp")
foreach(source ${sources})
  file(STRINGS "${source}" lines)
  foreach(line ${lines})
    # Calls, not comments: a name followed by an opening parenthesis.
    string(REGEX REPLACE "//.*" "" code "${line}")
    if(code MATCHES "(${BY_NAME})[AW]?[ \t]*\\(" AND NOT source STREQUAL door)
      message(SEND_ERROR "${source}: a call by name outside the door: ${line}")
    endif()
  endforeach()
endforeach()
file(READ "${door}" text)
string(REGEX MATCHALL "CreateFileW[ \t]*\\(" opens "${text}")
list(LENGTH opens count)
if(NOT count EQUAL 1 OR NOT text MATCHES "CreateFileW\\(root,")
  message(SEND_ERROR "the door opens by name something else than a drive's root (${count} CreateFileW calls)")
endif()
string(REGEX MATCHALL "Nt(Open|Create)File[ \t]*\\(" relative "${text}")
list(LENGTH relative count)
if(NOT count EQUAL 1 OR NOT text MATCHES "SecurityQualityOfService = &IdentificationOnly")
  message(SEND_ERROR "the door has ${count} relative opens, or one that does not ask for identification only")
endif()
