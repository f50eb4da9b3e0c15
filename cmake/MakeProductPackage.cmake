# Makes one package of a product family member with wixl (script mode):
#   cmake -DTEMPLATE=<.wxs> -DFILES=<folder> -DOUTPUT=<.msi> -DCODE=<product code>
#         -DLANGUAGE=<id> -DNAME=<product name> -DFOLDER=<folder name> -DVERSION=<release>
#         [-DCODEPAGE=<code page>] [-DARCH=<wixl architecture>] [-DAFTER=<script>]
#         [-DUPGRADE_CODE=<code>] -P MakeProductPackage.cmake
# FILES holds the release's files, every Source of the template; each File key
# of the template is its file's name. The template gets ProductCode, Language,
# Folder, Version, CodePage, UpgradeCode (when given), one <Component>Guid for
# each $(var.<Component>Guid) it names and File_<name> for each file of FILES.
#
# wixl writes no database code page, fails on some names outside ASCII, and
# leaves File.Version and File.Language empty with an MsiFileHash row for every
# file. So, afterwards: the database gets CODEPAGE (65001, UTF-8, by default),
# the name goes in, the family's AFTER script (included here, with the
# package's path in `msi` and run() to call msibuild) adds what wixl cannot
# write, and every file with a version resource gets its version and language
# in the File table and loses its MsiFileHash row, as the installer documents:
# the version decides whether such a file replaces an installed one, and
# MsiFileHash is for unversioned files only. A failure leaves no OUTPUT.
#
# The same inputs give the same package, byte for byte: wixl runs at a fixed
# time, the clock stopped (the summary's dates) over copies of the files with a fixed time (the
# cabinet's dates), and the package code (summary property 9, which wixl
# makes at random) is derived from everything else in the package.

foreach(variable TEMPLATE FILES OUTPUT CODE LANGUAGE NAME FOLDER VERSION)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "MakeProductPackage: ${variable} is not given")
  endif()
endforeach()
find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)
find_program(MSIINFO msiinfo REQUIRED)
find_program(WINDRES NAMES x86_64-w64-mingw32-windres windres REQUIRED)
find_program(FAKETIME faketime REQUIRED)
find_program(TOUCH touch REQUIRED)
if(NOT DEFINED CODEPAGE)
  set(CODEPAGE 65001)
endif()
set(fixed_time "2020-01-01 00:00:00")

set(work "${OUTPUT}.work")
set(sources "${work}/files")

# run(COMMAND...): runs COMMAND where wixl looks for the sources.
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${sources}" RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "${command}\n${out}")
  endif()
endfunction()

# Component codes come from the product code and the component's name: the
# same in every release (a minor update keeps them), different for each member
# (members install side by side).
string(REGEX REPLACE "[{}]" "" namespace "${CODE}")
file(READ "${TEMPLATE}" template_text)
string(REGEX MATCHALL "\\$\\(var\\.[A-Za-z0-9]+Guid\\)" guid_names "${template_text}")
list(REMOVE_DUPLICATES guid_names)
set(defines -D ProductCode=${CODE} -D Language=${LANGUAGE} -D Folder=${FOLDER} -D Version=${VERSION}
            -D CodePage=${CODEPAGE})
if(DEFINED UPGRADE_CODE)
  list(APPEND defines -D UpgradeCode=${UPGRADE_CODE})
endif()
foreach(reference IN LISTS guid_names)
  string(REGEX REPLACE "^\\$\\(var\\.(.*)Guid\\)$" "\\1" component "${reference}")
  string(UUID guid NAMESPACE "${namespace}" NAME "${component}" TYPE SHA1 UPPER)
  list(APPEND defines -D "${component}Guid={${guid}}")
endforeach()

# Each file of the release defines File_<name> ('.' and '-' as '_'): a template
# ships a component only in the releases that have its file.
file(GLOB release_files LIST_DIRECTORIES false RELATIVE "${FILES}" "${FILES}/*")
foreach(name IN LISTS release_files)
  string(REGEX REPLACE "[^A-Za-z0-9_]" "_" variable "File_${name}")
  list(APPEND defines -D "${variable}=yes")
endforeach()

file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
file(COPY "${FILES}/" DESTINATION "${sources}")
file(GLOB copies LIST_DIRECTORIES false "${sources}/*")
if(copies)
  run(${CMAKE_COMMAND} -E env TZ=UTC ${TOUCH} -d "${fixed_time}" ${copies})
endif()
set(msi "${work}/package.msi")
set(arch "")
if(DEFINED ARCH)
  set(arch -a ${ARCH})
endif()
run(${CMAKE_COMMAND} -E env TZ=UTC ${FAKETIME} -f "${fixed_time}" ${WIXL} ${arch} ${defines} -o "${msi}" "${TEMPLATE}")

file(WRITE "${work}/_ForceCodepage.idt" "\r\n\r\n${CODEPAGE}\t_ForceCodepage\r\n")
string(REPLACE "'" "''" quoted_name "${NAME}")
run(${MSIBUILD} "${msi}" -i "${work}/_ForceCodepage.idt"
    -q "UPDATE Property SET Value='${quoted_name}' WHERE Property='ProductName'")
if(DEFINED AFTER)
  include("${AFTER}")
endif()

file(GLOB files LIST_DIRECTORIES false "${FILES}/*")
foreach(file IN LISTS files)
  execute_process(COMMAND ${WINDRES} -i "${file}" -O rc RESULT_VARIABLE status
                  OUTPUT_VARIABLE rc ERROR_QUIET)
  if(NOT status EQUAL 0 OR NOT rc MATCHES "FILEVERSION ([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+)")
    continue()  # no version resource: an unversioned file
  endif()
  set(version "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.${CMAKE_MATCH_4}")
  set(language 0)
  if(rc MATCHES "VALUE \"Translation\", (0x[0-9a-fA-F]+)")
    math(EXPR language "${CMAKE_MATCH_1}")
  endif()
  get_filename_component(key "${file}" NAME)
  run(${MSIBUILD} "${msi}"
      -q "UPDATE File SET Version='${version}', Language='${language}' WHERE File='${key}'"
      -q "DELETE FROM MsiFileHash WHERE File_='${key}'")
  execute_process(COMMAND ${MSIINFO} export "${msi}" File OUTPUT_VARIABLE rows)
  if(NOT rows MATCHES "\n${key}\t[^\n]*\t${version}\t${language}\t")
    message(FATAL_ERROR "MakeProductPackage: ${TEMPLATE} has no File row ${key} for ${file}")
  endif()
endforeach()

# The package code names these exact contents (Package Codes: non-identical
# .msi files must not share one; it is the Revision Number summary property,
# in upper case): derived from the package with a fixed code in its place.
execute_process(COMMAND ${MSIINFO} suminfo "${msi}" OUTPUT_VARIABLE summary RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT summary MATCHES "Subject: ([^\n]*)\nAuthor: ([^\n]*)\n.*Template: ([^\n]*)\n")
  message(FATAL_ERROR "MakeProductPackage: cannot read the summary of ${msi}")
endif()
set(subject "${CMAKE_MATCH_1}")
set(author "${CMAKE_MATCH_2}")
# "Intel;1033" is one argument of msibuild's.
string(REPLACE ";" "\\;" platforms "${CMAKE_MATCH_3}")
run(${MSIBUILD} "${msi}" -s "${subject}" "${author}" "${platforms}" "{00000000-0000-0000-0000-000000000000}")
file(SHA256 "${msi}" contents)
string(UUID package_code NAMESPACE "${namespace}" NAME "package ${contents}" TYPE SHA1 UPPER)
run(${MSIBUILD} "${msi}" -s "${subject}" "${author}" "${platforms}" "{${package_code}}")

file(RENAME "${msi}" "${OUTPUT}")
file(REMOVE_RECURSE "${work}")
