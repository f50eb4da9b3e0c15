# cmake -DSIGN_TOOL=osslsigncode -DSIGN_OPTIONS_FILE=<file> -DSIGN_FILE=<file> -P SignFile.cmake
# Signs SIGN_FILE in place with the osslsigncode options listed in
# SIGN_OPTIONS_FILE (cmake/Signing.cmake). When signing fails the file is
# deleted, so that no unsigned file is left where the build promised a signed one.
file(READ "${SIGN_OPTIONS_FILE}" options)
set(signed "${SIGN_FILE}.signed")
file(REMOVE "${signed}")
execute_process(COMMAND "${SIGN_TOOL}" sign ${options} -in "${SIGN_FILE}" -out "${signed}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE "${SIGN_FILE}" "${signed}")
  message(FATAL_ERROR "Signing ${SIGN_FILE} failed:\n${output}")
endif()
file(RENAME "${signed}" "${SIGN_FILE}")
