# Packages of a product family, made with wixl at build time from a folder
# such as products/quillmark/: a .wxs template, a table of members
# (targets.md) and one folder of files per release, named for its version.

# spinstall_read_product_table(TABLE OUT): the table's rows, in order, each as
# "code|language|name|folder". The build reconfigures when the table changes.
function(spinstall_read_product_table table out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${table}")
  file(STRINGS "${table}" lines ENCODING UTF-8 REGEX "^\\| *{")
  set(rows "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^\\| *({[-0-9A-F]+}) *\\| *([0-9]+) *\\| *([^|]*[^ |]) *\\| *([^|]*[^ |]) *\\|$")
      message(FATAL_ERROR "${table}: not a row of product code, language, name and folder: ${line}")
    endif()
    list(APPEND rows "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}|${CMAKE_MATCH_3}|${CMAKE_MATCH_4}")
  endforeach()
  set(${out} "${rows}" PARENT_SCOPE)
endfunction()

# spinstall_product_releases(FOLDER OUT): the release folders' names (versions),
# lowest first.
function(spinstall_product_releases folder out)
  file(GLOB entries LIST_DIRECTORIES true RELATIVE "${folder}" CONFIGURE_DEPENDS "${folder}/*")
  set(releases "")
  foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${folder}/${entry}" AND entry MATCHES "^[0-9]+(\\.[0-9]+)*$")
      list(APPEND releases "${entry}")
    endif()
  endforeach()
  list(SORT releases COMPARE NATURAL)
  set(${out} "${releases}" PARENT_SCOPE)
endfunction()

# spinstall_product_package(OUTPUT TEMPLATE FILES ROW VERSION DEPENDS...): the
# rule that makes OUTPUT for table row ROW at release VERSION from the files in
# FILES (cmake/MakeProductPackage.cmake).
function(spinstall_product_package output template files row version)
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 code)
  list(GET row 1 language)
  list(GET row 2 name)
  list(GET row 3 folder)
  set(script "${PROJECT_SOURCE_DIR}/cmake/MakeProductPackage.cmake")
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${template} -DFILES=${files} -DOUTPUT=${output}
            -DCODE=${code} -DLANGUAGE=${language} -DNAME=${name} -DFOLDER=${folder}
            -DVERSION=${version} -P "${script}"
    DEPENDS "${template}" "${script}" ${ARGN}
    COMMENT "Making ${name} ${version}"
    VERBATIM)
endfunction()
