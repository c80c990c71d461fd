# Import libraries whose DLL is loaded at the first call of one of its functions (MinGW's
# delay-load helper) rather than at every start: the fetch and signature libraries cost a
# run only when it uses a published catalogue. Made at configure time from the toolchain's
# own import library, so every function it exports stays available.
function(notify_delay_loaded_libraries out_var)
  set(libraries "")
  foreach(base IN LISTS ARGN)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${base}.a
                    OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import_lib}
                    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "__imp_[A-Za-z0-9_]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "^__imp_" "")
    list(REMOVE_DUPLICATES imports)
    if(NOT imports)
      message(FATAL_ERROR "no exports found in ${import_lib}")
    endif()
    string(JOIN "\n" exports ${imports})
    set(folder ${CMAKE_BINARY_DIR}/delay_load)
    file(WRITE ${folder}/${base}.def "LIBRARY ${base}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${folder}/${base}.def --dllname ${base}.dll
                            --output-delaylib ${folder}/lib${base}_delay.a
                    COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND libraries ${folder}/lib${base}_delay.a)
  endforeach()
  set(${out_var} ${libraries} PARENT_SCOPE)
endfunction()
