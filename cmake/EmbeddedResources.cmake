# The host build's stand-in for the Windows resource script: the carried files
# embedded with .incbin, and a table that finds them by type and name. Both
# files are filled in from the templates beside this module.

# Writes embedded_files.S and embedded_files.cpp into `out_dir` for the
# package (type MSP, name IDR_MSP) and every descriptor (type TXT, #<ID>).
function(spinstall_write_embedded_resources out_dir)
  set(SPINSTALL_INCBINS "")
  set(SPINSTALL_DECLARATIONS "")
  set(SPINSTALL_ENTRIES "")
  set(index 0)
  foreach(entry IN ITEMS "MSP|IDR_MSP|${SPINSTALL_EMBEDDED_PACKAGE}" ${SPINSTALL_DESCRIPTOR_IDS})
    if(entry MATCHES "^[0-9]+$")
      set(entry "TXT|#${entry}|${SPINSTALL_DESCRIPTOR_${entry}}")
    endif()
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 type)
    list(GET parts 1 name)
    list(GET parts 2 file)
    set(symbol "spinstall_res${index}")
    # The package starts on a page of its own in the file: /e copies it from
    # there with copy_file_range, which copies whole pages far faster than
    # pages that straddle the source's.
    set(alignment 16)
    if(type STREQUAL "MSP")
      set(alignment 4096)
    endif()
    string(APPEND SPINSTALL_INCBINS ".balign ${alignment}\n.globl ${symbol}_begin\n${symbol}_begin:\n"
                                    ".incbin \"${file}\"\n.globl ${symbol}_end\n${symbol}_end:\n")
    string(APPEND SPINSTALL_DECLARATIONS
           "extern \"C\" const unsigned char ${symbol}_begin[], ${symbol}_end[];\n")
    string(APPEND SPINSTALL_ENTRIES "    {L\"${type}\", L\"${name}\", ${symbol}_begin, ${symbol}_end},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embedded_files.S.in"
                 "${out_dir}/embedded_files.S" @ONLY)
  configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embedded_files.cpp.in"
                 "${out_dir}/embedded_files.cpp" @ONLY)
endfunction()
