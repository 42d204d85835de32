# The arguments after "--" on the command line of a script run with cmake -P, which the
# helpers' scripts take as the command they run: cmake [-D...] -P <script> -- <command>...
include_guard(GLOBAL)

# norvik_script_arguments(<output>): the list of those arguments, empty without "--".
function(norvik_script_arguments output)
  set(arguments)
  set(collect FALSE)
  math(EXPR last "${CMAKE_ARGC} - 1")
  foreach(index RANGE ${last})
    if(collect)
      list(APPEND arguments "${CMAKE_ARGV${index}}")
    elseif(CMAKE_ARGV${index} STREQUAL "--")
      set(collect TRUE)
    endif()
  endforeach()
  set(${output} "${arguments}" PARENT_SCOPE)
endfunction()
