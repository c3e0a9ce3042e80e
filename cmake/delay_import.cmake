# Delay-loaded system libraries: a program links them as usual, but each is loaded by the
# first call into it rather than at the process's start (the toolchain's delay-load helper).
#
# slovo_delay_import(<target> <dll>...) gives <target> a search directory, ahead of the
# toolchain's own, holding delay-import libraries under the usual names (libgdiplus.a for
# -lgdiplus, from gdiplus.dll), made once per tree from the toolchain's import libraries.
# Only functions can be delay-imported, never data. i686 names carry a leading underscore and,
# for stdcall, "@<bytes>", which the libraries' own export names lack; and binutils 2.40's i686
# linker drops a thunk that only its "__imp_" slot refers to (as every call through a header's
# declaration does), leaving the slot 0: a linker script of the tree names every thunk as needed.

function(slovo_delay_import target)
  set(dir ${CMAKE_BINARY_DIR}/delayimp)
  set(thunk " I __imp_")
  set(options "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(thunk " I __imp__")
    set(options --kill-at)
  endif()
  file(MAKE_DIRECTORY ${dir})
  foreach(dll IN LISTS ARGN)
    string(REGEX REPLACE "\\.[^.]*$" "" lib ${dll})
    set(out ${dir}/lib${lib}.a)
    if(NOT EXISTS ${out})
      find_library(slovo_import_${lib} NAMES lib${lib}.a ${lib} NO_CACHE REQUIRED)
      execute_process(COMMAND ${CMAKE_NM} ${slovo_import_${lib}} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
      # The import thunks name every function.
      string(REGEX MATCHALL "[^\n]*${thunk}[^\n]*" thunks "${symbols}")
      set(exports "")
      set(needed "")
      foreach(line IN LISTS thunks)
        string(REGEX REPLACE ".*${thunk}" "" name "${line}")
        string(APPEND exports "${name}\n")
        string(APPEND needed "EXTERN(\"_${name}\")\n")
      endforeach()
      file(WRITE ${dir}/${lib}.def "LIBRARY ${dll}\nEXPORTS\n${exports}")
      file(WRITE ${dir}/${lib}.ld "${needed}")
      execute_process(COMMAND ${CMAKE_DLLTOOL} ${options} --input-def ${dir}/${lib}.def --output-delaylib ${out}
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      target_link_options(${target} PRIVATE ${dir}/${lib}.ld)
    endif()
  endforeach()
  target_link_directories(${target} BEFORE PRIVATE ${dir})
endfunction()
