# What wixl cannot write into a Larkspur package, added with msibuild
# (included by cmake/MakeProductPackage.cmake, which gives `msi`, CODEPAGE
# and run()).

# Names outside ASCII. Filename data type: "A short file name must always be
# provided", the long one after a '|'. Japanese names only in a UTF-8
# database: code page 1252 has no characters for them.
run(${MSIBUILD} "${msi}" -q "UPDATE File SET FileName='CAFE.TXT|Café.txt' WHERE File='cafe.txt'")
if(CODEPAGE EQUAL 65001)
  run(${MSIBUILD} "${msi}"
      -q "UPDATE Directory SET DefaultDir='GUIDE|日本語' WHERE Directory='GuideFolder'"
      -q "UPDATE File SET FileName='GUIDE_JA.TXT|ガイド.txt' WHERE File='guide_ja.txt'")
endif()

# notes.txt lies uncompressed beside the package, at the root of its source
# (File table: msidbFileAttributesNoncompressed, 0x2000, "the file's source
# type is uncompressed"; it keeps msidbFileAttributesVital, 0x200), and only
# there: the embedded cabinet is made again without it, its files in the
# order of their File.Sequence (wixl's File keys are the sources' names).
run(${MSIBUILD} "${msi}" -q "UPDATE File SET Attributes=8704 WHERE File='notes.txt'")
find_program(GCAB gcab REQUIRED)
execute_process(COMMAND ${MSIINFO} export "${msi}" File OUTPUT_VARIABLE file_rows RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "after_wixl: cannot read the File table of ${msi}")
endif()
string(REGEX MATCHALL "\n[^\t\n]+\t[^\n]*\t[0-9]+\r?" file_rows "${file_rows}")
set(ordered "")
foreach(file_row IN LISTS file_rows)
  if(file_row MATCHES "^\n([^\t]+)\t.*\t([0-9]+)\r?$" AND NOT CMAKE_MATCH_1 STREQUAL "notes.txt")
    math(EXPR sequence "1000000 + ${CMAKE_MATCH_2}")  # sorts as text in number order
    list(APPEND ordered "${sequence}|${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT ordered)
list(TRANSFORM ordered REPLACE "^[0-9]+\\|" "")
run(${CMAKE_COMMAND} -E env TZ=UTC ${GCAB} -c -z "${work}/studio.cab" ${ordered})
run(${MSIBUILD} "${msi}" -a studio.cab "${work}/studio.cab")

# LARKSPUR_HOME, the installation folder, in the machine's environment
# (Environment table: '=' sets it on install, '-' removes it with the
# component, '*' is the system environment, which a per-machine package
# writes), with the two actions that table needs in InstallExecuteSequence at
# their documented places.
run(${MSIBUILD} "${msi}"
    -q "CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)"
    -q "INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('LarkspurHome', '=-*LARKSPUR_HOME', '[INSTALLDIR]', 'Core')"
    -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)"
    -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)")
