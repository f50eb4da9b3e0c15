# The message catalogue: resources/messages/<LANGID>.txt, one "ID=text" line
# per message (UTF-8, "\n" for a line break). From it the build makes the
# Windows STRINGTABLE blocks and the host build's string table.

# Reads every language file into SPINSTALL_CATALOGUE_LANGUAGES and, per
# language L, SPINSTALL_CATALOGUE_<L>_IDS and SPINSTALL_CATALOGUE_<L>_<ID>.
function(spinstall_read_catalogue dir)
  file(GLOB files CONFIGURE_DEPENDS "${dir}/*.txt")
  list(SORT files)
  set(languages "")
  foreach(file IN LISTS files)
    get_filename_component(language "${file}" NAME_WE)
    if(NOT language MATCHES "^[0-9]+$")
      message(FATAL_ERROR "${file}: a catalogue file is named for its language identifier, e.g. 1031.txt")
    endif()
    list(APPEND languages ${language})
    # The texts are read here, at configure time: an edited file must make the
    # build configure again, or both builds keep carrying the old texts.
    set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
    file(STRINGS "${file}" lines ENCODING UTF-8)
    set(ids "")
    foreach(line IN LISTS lines)
      if(line MATCHES "^#" OR line STREQUAL "")
        continue()
      endif()
      if(NOT line MATCHES "^([0-9]+)=(.*)$")
        message(FATAL_ERROR "${file}: expected ID=text, got: ${line}")
      endif()
      set(id ${CMAKE_MATCH_1})
      set(text "${CMAKE_MATCH_2}")
      # Both outputs take the text as a quoted literal with "\n" escapes, so
      # only those escapes and no quotes may appear in it.
      string(REPLACE "\\n" "" stripped "${text}")
      if(stripped MATCHES "[\"\\\\]")
        message(FATAL_ERROR "${file}: message ${id} may hold no '\"' and no '\\' but in \\n")
      endif()
      list(APPEND ids ${id})
      set(SPINSTALL_CATALOGUE_${language}_${id} "${text}" PARENT_SCOPE)
    endforeach()
    set(SPINSTALL_CATALOGUE_${language}_IDS "${ids}" PARENT_SCOPE)
  endforeach()
  set(SPINSTALL_CATALOGUE_LANGUAGES "${languages}" PARENT_SCOPE)
endfunction()

# Writes the catalogue as .rc STRINGTABLE blocks, one LANGUAGE block each. The
# texts are narrow UTF-8 literals under code page 65001, which the resource
# compiler turns into UTF-16: windres copies the bytes of a wide L"..." literal
# one by one instead, so every non-ASCII character would come out garbled.
function(spinstall_write_catalogue_rc out)
  set(rc "// Generated from resources/messages by the build.\n#pragma code_page(65001)\n")
  foreach(language IN LISTS SPINSTALL_CATALOGUE_LANGUAGES)
    math(EXPR primary "${language} & 1023")
    math(EXPR sub "${language} >> 10")
    string(APPEND rc "\nLANGUAGE ${primary}, ${sub}\nSTRINGTABLE\nBEGIN\n")
    foreach(id IN LISTS SPINSTALL_CATALOGUE_${language}_IDS)
      string(APPEND rc "  ${id}, \"${SPINSTALL_CATALOGUE_${language}_${id}}\"\n")
    endforeach()
    string(APPEND rc "END\n")
  endforeach()
  file(CONFIGURE OUTPUT "${out}" CONTENT "${rc}" @ONLY)
endfunction()

# Writes the host build's table, {language, id, "UTF-8 text"}, from its
# template.
function(spinstall_write_catalogue_cpp out)
  set(SPINSTALL_STRINGS "")
  foreach(language IN LISTS SPINSTALL_CATALOGUE_LANGUAGES)
    foreach(id IN LISTS SPINSTALL_CATALOGUE_${language}_IDS)
      string(APPEND SPINSTALL_STRINGS "    {${language}, ${id}, \"${SPINSTALL_CATALOGUE_${language}_${id}}\"},\n")
    endforeach()
  endforeach()
  configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embedded_catalogue.cpp.in" "${out}" @ONLY)
endfunction()

# Writes the catalogue's languages as the elements of a C++ array, so that the
# program's list and the language files are one and the same.
function(spinstall_write_catalogue_languages out)
  list(JOIN SPINSTALL_CATALOGUE_LANGUAGES ", " languages)
  file(CONFIGURE OUTPUT "${out}" CONTENT "// Generated from resources/messages by the build.\n${languages}\n")
endfunction()

# Writes the catalogue as "LANGUAGE ID=text" lines ("\n" escapes kept), for
# the scripts that check what the program shows.
function(spinstall_write_catalogue_lines out)
  set(lines "")
  foreach(language IN LISTS SPINSTALL_CATALOGUE_LANGUAGES)
    foreach(id IN LISTS SPINSTALL_CATALOGUE_${language}_IDS)
      string(APPEND lines "${language} ${id}=${SPINSTALL_CATALOGUE_${language}_${id}}\n")
    endforeach()
  endforeach()
  file(CONFIGURE OUTPUT "${out}" CONTENT "${lines}" @ONLY)
endfunction()
