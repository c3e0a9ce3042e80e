# Delay-loaded system libraries: a program links them as usual, but each is loaded by the
# first call into it rather than at the process's start (the toolchain's delay-load helper).
#
# slovo_delay_import(<target> <dll>...) gives <target> a search directory, ahead of the
# toolchain's own, holding delay-import libraries under the usual names (libgdiplus.a for
# -lgdiplus, from gdiplus.dll), made once per tree from the toolchain's import libraries.
# Only functions can be delay-imported, never data. Only the 64-bit program does it: i686
# delay thunks made by binutils 2.40's dlltool jump to address 0 under Wine for some
# libraries (shell32 among them), so the 32-bit program keeps the ordinary imports.

function(slovo_delay_import target)
  if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    return()
  endif()
  set(dir ${CMAKE_BINARY_DIR}/delayimp)
  file(MAKE_DIRECTORY ${dir})
  foreach(dll IN LISTS ARGN)
    string(REGEX REPLACE "\\.[^.]*$" "" lib ${dll})
    set(out ${dir}/lib${lib}.a)
    if(NOT EXISTS ${out})
      find_library(slovo_import_${lib} NAMES lib${lib}.a ${lib} NO_CACHE REQUIRED)
      execute_process(COMMAND ${CMAKE_NM} ${slovo_import_${lib}} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
      # The import thunks name every function.
      string(REGEX MATCHALL "[^\n]* I __imp_[^\n]*" thunks "${symbols}")
      set(exports "")
      foreach(line IN LISTS thunks)
        string(REGEX REPLACE ".* I __imp_" "" name "${line}")
        string(APPEND exports "${name}\n")
      endforeach()
      file(WRITE ${dir}/${lib}.def "LIBRARY ${dll}\nEXPORTS\n${exports}")
      execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${dir}/${lib}.def --output-delaylib ${out}
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endforeach()
  target_link_directories(${target} BEFORE PRIVATE ${dir})
endfunction()
