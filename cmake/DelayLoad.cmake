# Delay-load import libraries for the system DLLs that are not loaded before the program's
# own code runs. The elevated program may lie in a Downloads folder: a DLL that the loader
# resolves before WinMain is searched there first, while one loaded later comes from
# System32 alone (WinMain restricts the search first thing).
#
# delay_load_libraries(OUT dll...) makes lib<dll>_delay.a in the build folder from the
# toolchain's own import library (every name it imports, so nothing is listed by hand) and
# sets OUT to their paths.
function(delay_load_libraries out)
  set(libraries)
  foreach(dll IN LISTS ARGN)
    set(library "${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a")
    if(NOT EXISTS "${library}")
      execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=lib${dll}.a
                      OUTPUT_VARIABLE import OUTPUT_STRIP_TRAILING_WHITESPACE)
      execute_process(COMMAND "${CMAKE_NM}" "${import}" OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
      if(failed OR NOT EXISTS "${import}")
        message(FATAL_ERROR "cannot read the import library of ${dll} (${import})")
      endif()
      # "__imp_Name" (x86_64) or "__imp__Name@8" (i686, stdcall): the name the DLL exports,
      # with its decoration that dlltool's --kill-at takes off again.
      string(REGEX MATCHALL "I __imp_[^\r\n]+" imports "${symbols}")
      list(TRANSFORM imports REPLACE "^I __imp_" "")
      if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        list(TRANSFORM imports REPLACE "^_" "")
      endif()
      list(REMOVE_DUPLICATES imports)
      list(SORT imports)
      list(JOIN imports "\n" exports)
      file(WRITE "${CMAKE_BINARY_DIR}/delay/${dll}.def" "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
      execute_process(COMMAND "${CMAKE_DLLTOOL}" --kill-at -d "${CMAKE_BINARY_DIR}/delay/${dll}.def"
                              --output-delaylib "${library}" RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "dlltool could not make ${library}")
      endif()
    endif()
    list(APPEND libraries "${library}")
  endforeach()
  set(${out} "${libraries}" PARENT_SCOPE)
endfunction()
