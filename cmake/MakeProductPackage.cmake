# Makes one package of a product family member with wixl (script mode):
#   cmake -DTEMPLATE=<.wxs> -DFILES=<folder> -DOUTPUT=<.msi> -DCODE=<product code>
#         -DLANGUAGE=<id> -DNAME=<product name> -DFOLDER=<folder name> -DVERSION=<release>
#         [-DUPGRADE_CODE=<code>] -P MakeProductPackage.cmake
# FILES holds the release's files, every Source of the template (wixl runs
# there); each File key of the template is its file's name. The template gets
# ProductCode, Language, Folder, Version, UpgradeCode (when given), one
# <Component>Guid for each $(var.<Component>Guid) it names and File_<name> for
# each file of FILES.
#
# wixl writes no database code page, fails on some names outside ASCII, and
# leaves File.Version and File.Language empty with an MsiFileHash row for every
# file. So, afterwards: the database becomes UTF-8 (65001), the name goes in,
# and every file with a version resource gets its version and language in the
# File table and loses its MsiFileHash row, as the installer documents: the
# version decides whether such a file replaces an installed one, and
# MsiFileHash is for unversioned files only. A failure leaves no OUTPUT.

foreach(variable TEMPLATE FILES OUTPUT CODE LANGUAGE NAME FOLDER VERSION)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "MakeProductPackage: ${variable} is not given")
  endif()
endforeach()
find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)
find_program(MSIINFO msiinfo REQUIRED)
find_program(WINDRES NAMES x86_64-w64-mingw32-windres windres REQUIRED)

# run(COMMAND...): runs COMMAND in FILES, where wixl looks for the sources.
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${FILES}" RESULT_VARIABLE status
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
string(REGEX MATCHALL "\\$\\(var\\.[A-Za-z]+Guid\\)" guid_names "${template_text}")
list(REMOVE_DUPLICATES guid_names)
set(defines -D ProductCode=${CODE} -D Language=${LANGUAGE} -D Folder=${FOLDER} -D Version=${VERSION})
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

set(work "${OUTPUT}.work")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
set(msi "${work}/package.msi")
run(${WIXL} ${defines} -o "${msi}" "${TEMPLATE}")

file(WRITE "${work}/_ForceCodepage.idt" "\r\n\r\n65001\t_ForceCodepage\r\n")
string(REPLACE "'" "''" quoted_name "${NAME}")
run(${MSIBUILD} "${msi}" -i "${work}/_ForceCodepage.idt"
    -q "UPDATE Property SET Value='${quoted_name}' WHERE Property='ProductName'")

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

file(RENAME "${msi}" "${OUTPUT}")
file(REMOVE_RECURSE "${work}")
