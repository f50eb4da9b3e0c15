# Packages of a product family, made with wixl at build time from a folder
# such as products/quillmark/: a .wxs template, a table of members
# (targets.md) and one folder of files per release, named for its version.
# Every package, and every DLL built into one, is the same byte for byte in
# any build folder and in both builds: the host build's carried package is
# the windows build's.

# spinstall_read_product_table(TABLE OUT): the table's rows, in order, each as
# "code|language|name|folder|code page". A table may have a fifth column, the
# database's code page; without it every member's is 65001 (UTF-8). The build
# reconfigures when the table changes.
function(spinstall_read_product_table table out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${table}")
  file(STRINGS "${table}" lines ENCODING UTF-8 REGEX "^\\| *{")
  set(rows "")
  set(cell " *([^|]*[^ |]) *\\|")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^\\| *({[-0-9A-F]+}) *\\| *([0-9]+) *\\|${cell}${cell}( *([0-9]+) *\\|)?$")
      message(FATAL_ERROR "${table}: not a row of product code, language, name, folder "
                          "[and code page]: ${line}")
    endif()
    set(codepage 65001)
    if(CMAKE_MATCH_6)
      set(codepage "${CMAKE_MATCH_6}")
    endif()
    list(APPEND rows "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}|${CMAKE_MATCH_3}|${CMAKE_MATCH_4}|${codepage}")
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

# spinstall_find_product_tools(OUT): OUT is true when wixl, msibuild and the
# MinGW compiler and resource compiler are there (MINGW_CC, MINGW_WINDRES).
# Both builds use the cross compiler by name, so that a DLL of the windows
# build is the host build's.
function(spinstall_find_product_tools out)
  find_program(WIXL_PROGRAM wixl)
  find_program(MSIBUILD_PROGRAM msibuild)
  find_program(FAKETIME_PROGRAM faketime)
  if(WIN32 AND NOT CMAKE_CROSSCOMPILING AND CMAKE_C_COMPILER_ID STREQUAL "GNU")
    set(MINGW_CC "${CMAKE_C_COMPILER}" CACHE FILEPATH "The compiler of the products' DLLs")
    find_program(MINGW_WINDRES windres)
  else()
    find_program(MINGW_CC x86_64-w64-mingw32-gcc)
    find_program(MINGW_WINDRES x86_64-w64-mingw32-windres)
  endif()
  if(WIXL_PROGRAM AND MSIBUILD_PROGRAM AND FAKETIME_PROGRAM AND MINGW_CC AND MINGW_WINDRES AND NOT MSVC)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# spinstall_product_dll(TARGET OUTPUT SOURCE RC HEADER [FILE...]): the rule
# and target that build OUTPUT, a DLL without C runtime, from C file SOURCE
# and resource script RC, which includes HEADER and FILEs (written by the
# build beside HEADER). The same command in
# both builds, and nothing of the build in it: a fixed image base (the
# linker's automatic one hashes the output's path), no link time stamp, no
# symbols (they name the source's path).
function(spinstall_product_dll target output source rc header)
  get_filename_component(folder "${output}" DIRECTORY)
  get_filename_component(name "${output}" NAME_WE)
  get_filename_component(include_dir "${header}" DIRECTORY)
  get_filename_component(source_dir "${source}" DIRECTORY)
  set(object "${include_dir}/${name}_rc.o")
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${folder}"
    COMMAND ${MINGW_WINDRES} -I "${include_dir}" "${rc}" -o "${object}"
    COMMAND ${MINGW_CC} -shared -Os -s -nostdlib -Wall -Wextra -Werror -ffile-prefix-map=${source_dir}/=
            -Wl,--entry,DllMain -Wl,--no-insert-timestamp -Wl,--image-base,0x180000000
            "${source}" "${object}" -o "${output}"
    DEPENDS "${source}" "${rc}" "${header}" ${ARGN}
    VERBATIM)
  add_custom_target(${target} DEPENDS "${output}")
endfunction()

# spinstall_release_files(FROM TO OUT): rules that copy the files of release
# folder FROM into TO; OUT is the copies' paths.
function(spinstall_release_files from to out)
  file(GLOB sources LIST_DIRECTORIES false CONFIGURE_DEPENDS "${from}/*")
  set(files "")
  foreach(source IN LISTS sources)
    get_filename_component(name "${source}" NAME)
    add_custom_command(OUTPUT "${to}/${name}"
      COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${to}/${name}"
      DEPENDS "${source}")
    list(APPEND files "${to}/${name}")
  endforeach()
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

# spinstall_product_package(OUTPUT TEMPLATE FILES ROW VERSION [ARCH arch]
# [AFTER script] DEPENDS...): the rule that makes OUTPUT for table row ROW at
# release VERSION from the files in FILES (cmake/MakeProductPackage.cmake).
function(spinstall_product_package output template files row version)
  cmake_parse_arguments(PARSE_ARGV 5 option "" "ARCH;AFTER" "DEPENDS")
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 code)
  list(GET row 1 language)
  list(GET row 2 name)
  list(GET row 3 folder)
  list(GET row 4 codepage)
  set(script "${PROJECT_SOURCE_DIR}/cmake/MakeProductPackage.cmake")
  set(options "")
  if(option_ARCH)
    list(APPEND options -DARCH=${option_ARCH})
  endif()
  if(option_AFTER)
    list(APPEND options -DAFTER=${option_AFTER})
  endif()
  add_custom_command(OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${template} -DFILES=${files} -DOUTPUT=${output}
            -DCODE=${code} -DLANGUAGE=${language} -DNAME=${name} -DFOLDER=${folder}
            -DVERSION=${version} -DCODEPAGE=${codepage} ${options} -P "${script}"
    DEPENDS "${template}" "${script}" ${option_AFTER} ${option_DEPENDS}
    COMMENT "Making ${name} ${version}"
    VERBATIM)
endfunction()
