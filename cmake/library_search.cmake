# slovo_restricted_entry(<target> <function>): the program starts in <function> (extern "C", in
# its own sources), which restricts the library search and hands over to the runtime's own
# entry; so it runs before the runtime's start, every static initialiser and any library loaded
# at first use.
function(slovo_restricted_entry target function)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # i686 C names carry a leading underscore.
    set(function _${function})
  endif()
  target_link_options(${target} PRIVATE -Wl,-e,${function})
endfunction()
