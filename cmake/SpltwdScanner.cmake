# spltwd_generate_scanner(RULES SYMBOL OUT_SOURCES OUT_INCLUDE_DIR [LETTER_RULE N] [DEPENDS FILE...])
#
# Runs lexgen on RULES at build time.  Appends the generated table source to
# the list OUT_SOURCES and sets OUT_INCLUDE_DIR to the folder that holds
# SYMBOL_actions.inc.  LETTER_RULE names the rule that may take a name a
# letter at a time (lexgen --letter-rule).  DEPENDS names the rule files
# that RULES imports.
function(spltwd_generate_scanner rules symbol out_sources out_include_dir)
  cmake_parse_arguments(PARSE_ARGV 4 arg "" "LETTER_RULE" "DEPENDS")
  get_filename_component(rules_path "${rules}" ABSOLUTE)
  set(imported)
  foreach(file IN LISTS arg_DEPENDS)
    get_filename_component(path "${file}" ABSOLUTE)
    list(APPEND imported "${path}")
  endforeach()
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/generated")
  set(tables "${dir}/${symbol}_tables.cpp")
  set(actions "${dir}/${symbol}_actions.inc")
  set(options)
  if(DEFINED arg_LETTER_RULE)
    set(options "--letter-rule=${arg_LETTER_RULE}")
  endif()
  add_custom_command(
    OUTPUT "${tables}" "${actions}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}"
    COMMAND lexgen "${rules_path}" "${tables}" "${actions}" "${symbol}" ${options}
    DEPENDS lexgen "${rules_path}" ${imported}
    COMMENT "Generating scanner ${symbol} from ${rules}"
    VERBATIM)
  set(${out_sources} ${${out_sources}} "${tables}" "${actions}" PARENT_SCOPE)
  set(${out_include_dir} "${dir}" PARENT_SCOPE)
endfunction()
