# The program opens, tests and deletes file-system objects by name in one file alone,
# src/wintk/FileDoor.cpp, and there only a drive's root: every other open is relative to a
# handle. Fails when a call that takes a path appears anywhere else in src/, or when the door
# opens anything else by name. (The DLLs that the program loads are E2ePlantedDll's.)
set(BY_NAME "CreateFile|OpenFile|GetFileAttributes|SetFileAttributes|FindFirstFile|DeleteFile|RemoveDirectory|CreateDirectory|MoveFile|CopyFile|ReplaceFile|CreateHardLink|CreateSymbolicLink|GetFinalPathNameByHandle|GetLongPathName|GetShortPathName|QueryDosDevice|GetVolumeInformation|GetDriveType|GetDiskFreeSpace|PathFileExists|SearchPath|NtCreateFile|NtOpenFile|NtQueryAttributesFile|NtQueryFullAttributesFile|NtSetInformationFile|fopen|_wopen")
file(GLOB_RECURSE sources "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/src/*.h")
set(door "${SOURCE_DIR}/src/wintk/FileDoor.cpp")
foreach(source ${sources})
  file(STRINGS "${source}" lines)
  foreach(line ${lines})
    # Calls, not comments: a name followed by an opening parenthesis.
    string(REGEX REPLACE "//.*" "" code "${line}")
    if(code MATCHES "(${BY_NAME})[A-Za-z0-9_]*[ \t]*\\(" AND NOT source STREQUAL door)
      message(SEND_ERROR "${source}: a call by name outside the door: ${line}")
    endif()
  endforeach()
endforeach()
# The door: one open call, which asks for identification only and never waits on an oplock;
# without a parent handle it is given only a drive's root.
file(READ "${door}" text)
string(REGEX MATCHALL "(CreateFile[A-Za-z0-9_]*|Nt(Open|Create)File)[ \t]*\\(" opens "${text}")
list(LENGTH opens count)
string(REGEX MATCHALL "Open\\(nullptr, [a-z]+" byName "${text}")
if(NOT count EQUAL 1 OR NOT text MATCHES "SecurityQualityOfService = &IdentificationOnly" OR
   NOT text MATCHES "FILE_COMPLETE_IF_OPLOCKED" OR NOT byName STREQUAL "Open(nullptr, root")
  message(SEND_ERROR "the door has ${count} open calls, or one that may act as the administrator, wait on an oplock or open by name another thing than a drive's root (${byName})")
endif()
