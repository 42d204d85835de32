# norvik_read_ctest_script(<CTest script> <prefix>): reads a script of add_test and
# set_tests_properties calls, as CTest reads the one discovery writes, and sets
# <prefix>_COUNT and, for the i-th test from 0, <prefix>_NAME_<i> and <prefix>_PLACE_<i>,
# its DEF_SOURCE_LINE (empty without one). CTest's own listing of tests leaves that
# property out, so the script is read as CTest would read it. Only for scripts that
# define nothing of their own: the two commands are replaced for the caller too.
function(add_test name)
  get_property(count GLOBAL PROPERTY norvik_read_count)
  set_property(GLOBAL PROPERTY norvik_read_name_${count} "${name}")
  set_property(GLOBAL PROPERTY norvik_read_place_${count} "")
  math(EXPR count "${count} + 1")
  set_property(GLOBAL PROPERTY norvik_read_count ${count})
endfunction()

function(set_tests_properties name)
  get_property(count GLOBAL PROPERTY norvik_read_count)
  math(EXPR last "${count} - 1")
  get_property(last_name GLOBAL PROPERTY norvik_read_name_${last})
  if(NOT name STREQUAL last_name)
    message(FATAL_ERROR "Properties for \"${name}\" follow the test \"${last_name}\"")
  endif()
  # Name and value pairs after PROPERTIES, read one argument at a time: a value may hold
  # what a list would split at.
  set(index 2)
  while(index LESS ARGC)
    math(EXPR value "${index} + 1")
    if(ARGV${index} STREQUAL "DEF_SOURCE_LINE")
      set_property(GLOBAL PROPERTY norvik_read_place_${last} "${ARGV${value}}")
    endif()
    math(EXPR index "${index} + 2")
  endwhile()
endfunction()

function(norvik_read_ctest_script script prefix)
  set_property(GLOBAL PROPERTY norvik_read_count 0)
  include(${script})
  get_property(count GLOBAL PROPERTY norvik_read_count)
  set(${prefix}_COUNT ${count} PARENT_SCOPE)
  set(index 0)
  while(index LESS count)
    get_property(name GLOBAL PROPERTY norvik_read_name_${index})
    get_property(place GLOBAL PROPERTY norvik_read_place_${index})
    set(${prefix}_NAME_${index} "${name}" PARENT_SCOPE)
    set(${prefix}_PLACE_${index} "${place}" PARENT_SCOPE)
    math(EXPR index "${index} + 1")
  endwhile()
endfunction()
