# norvik_doc_block(<markdown file> <name> <output file>): writes the fenced code block
# that follows the line "<!-- docs-check: <name> -->" in the document, so that the
# tests run what the documentation shows, as it shows it.
function(norvik_doc_block markdown name output)
  file(READ ${markdown} text)
  string(FIND "${text}" "<!-- docs-check: ${name} -->\n" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "${markdown} has no block marked '${name}'")
  endif()
  string(SUBSTRING "${text}" ${start} -1 text)
  # The fence opens on the next line with ``` and a language, and closes with ```.
  if(NOT text MATCHES "^<!--[^\n]*\n```[a-z]*\n")
    message(FATAL_ERROR "In ${markdown}, '${name}' marks no code block right after it")
  endif()
  string(LENGTH "${CMAKE_MATCH_0}" opening)
  string(SUBSTRING "${text}" ${opening} -1 text)
  string(FIND "${text}" "\n```" end)
  math(EXPR end "${end} + 1")
  string(SUBSTRING "${text}" 0 ${end} block)
  file(WRITE ${output} "${block}")
endfunction()
