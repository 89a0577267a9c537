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
    # Made again when this file changed, so that a build folder never keeps libraries made
    # the old way.
    if(NOT EXISTS "${library}" OR "${CMAKE_CURRENT_FUNCTION_LIST_FILE}" IS_NEWER_THAN "${library}")
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
      list(REMOVE_DUPLICATES imports)
      # These names are also the members' jump stubs ("_GetDC@4"), whose code holds the thunks
      # that the delay slots point at. The i686 linker drops the code of an import member whose
      # global stub nothing calls, and the program calls only through the slots: every slot
      # would be 0. A local stub is not taken for an import stub, and its code stays.
      list(JOIN imports "\n" stubs)
      file(WRITE "${CMAKE_BINARY_DIR}/delay/${dll}.stubs" "${stubs}\n")
      if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        list(TRANSFORM imports REPLACE "^_" "")
      endif()
      list(SORT imports)
      list(JOIN imports "\n" exports)
      file(WRITE "${CMAKE_BINARY_DIR}/delay/${dll}.def" "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
      execute_process(COMMAND "${CMAKE_DLLTOOL}" --kill-at -d "${CMAKE_BINARY_DIR}/delay/${dll}.def"
                              --output-delaylib "${library}" RESULT_VARIABLE failed)
      if(NOT failed)
        execute_process(COMMAND "${CMAKE_OBJCOPY}" "--localize-symbols=${CMAKE_BINARY_DIR}/delay/${dll}.stubs"
                                "${library}" RESULT_VARIABLE failed)
      endif()
      if(failed)
        message(FATAL_ERROR "dlltool or objcopy could not make ${library}")
      endif()
    endif()
    list(APPEND libraries "${library}")
  endforeach()
  set(${out} "${libraries}" PARENT_SCOPE)
endfunction()
