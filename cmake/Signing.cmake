# Authenticode signatures for the carried package and spinstall.exe, made with
# osslsigncode when a release engineer names a certificate:
#   SPINSTALL_SIGN_PKCS12         a PKCS#12 file with the code-signing
#                                 certificate, its chain and private key
#   SPINSTALL_SIGN_PASSWORD_FILE  a file holding the PKCS#12 password, so that
#                                 the password is on no command line and in no log
#   SPINSTALL_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamp server
#   SPINSTALL_SIGN_TIME           optional: the signing time in seconds since
#                                 1970, for byte-identical signed builds
#   SPINSTALL_SIGN_CA_FILE        optional: the CA certificates (PEM) a signature
#                                 must verify against; empty: the certificates
#                                 in the PKCS#12 file
# Without SPINSTALL_SIGN_PKCS12 nothing is signed. The description and URL of
# the signature are the "title" and "url" of resources/package.def.
#
# spinstall_sign_command(VAR FILE) sets VAR to "COMMAND ..." that signs FILE in
# place, for add_custom_command (empty without a certificate);
# SPINSTALL_SIGN_DEPENDS names the files whose change must sign again.
# spinstall_verify_command(VAR FILE COPY) sets VAR to "COMMAND ..." that copies
# FILE to COPY and verifies the copy's signature (empty without a certificate).

set(SPINSTALL_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file to sign the package and spinstall.exe with; empty: no signing")
set(SPINSTALL_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding the password of SPINSTALL_SIGN_PKCS12")
set(SPINSTALL_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for the signatures; empty: none")
set(SPINSTALL_SIGN_TIME "" CACHE STRING "Signing time (seconds since 1970) for reproducible signatures; empty: now")
set(SPINSTALL_SIGN_CA_FILE "" CACHE FILEPATH "CA certificates (PEM) the signatures must verify against; empty: those in SPINSTALL_SIGN_PKCS12")

set(SPINSTALL_SIGN_DEPENDS "")
if(SPINSTALL_SIGN_PKCS12)
  foreach(file IN ITEMS "${SPINSTALL_SIGN_PKCS12}" "${SPINSTALL_SIGN_PASSWORD_FILE}")
    if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
      message(FATAL_ERROR "Signing needs SPINSTALL_SIGN_PKCS12 and SPINSTALL_SIGN_PASSWORD_FILE: no file \"${file}\"")
    endif()
  endforeach()
  if(SPINSTALL_SIGN_TIME AND NOT SPINSTALL_SIGN_TIME MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SPINSTALL_SIGN_TIME \"${SPINSTALL_SIGN_TIME}\" is not a number of seconds since 1970")
  endif()
  find_program(SPINSTALL_OSSLSIGNCODE osslsigncode REQUIRED)

  set(sign_definition "${PROJECT_SOURCE_DIR}/resources/package.def")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${sign_definition}")
  foreach(key IN ITEMS title url)
    file(STRINGS "${sign_definition}" line REGEX "^[ \t]*${key}[ \t]*=" LIMIT_COUNT 1)
    string(REGEX REPLACE "^[^=]*=[ \t]*" "" sign_${key} "${line}")
    string(STRIP "${sign_${key}}" sign_${key})
  endforeach()

  set(spinstall_sign_options -pkcs12 "${SPINSTALL_SIGN_PKCS12}" -readpass "${SPINSTALL_SIGN_PASSWORD_FILE}"
    -h sha256 -n "${sign_title}")
  if(sign_url)
    list(APPEND spinstall_sign_options -i "${sign_url}")
  endif()
  if(SPINSTALL_SIGN_TIME)
    list(APPEND spinstall_sign_options -time "${SPINSTALL_SIGN_TIME}")
  endif()
  if(SPINSTALL_SIGN_TIMESTAMP_URL)
    list(APPEND spinstall_sign_options -ts "${SPINSTALL_SIGN_TIMESTAMP_URL}")
  endif()
  # The options go to cmake/SignFile.cmake in a file, which changes only with
  # them, so that new options sign anew.
  set(SPINSTALL_SIGN_OPTIONS_FILE "${CMAKE_BINARY_DIR}/signing-options.txt")
  file(CONFIGURE OUTPUT "${SPINSTALL_SIGN_OPTIONS_FILE}" CONTENT "${spinstall_sign_options}")
  set(SPINSTALL_SIGN_DEPENDS "${SPINSTALL_SIGN_OPTIONS_FILE}" "${SPINSTALL_SIGN_PKCS12}"
    "${SPINSTALL_SIGN_PASSWORD_FILE}")

  # What a signed file must verify against: the named CA certificates, or the
  # chain the PKCS#12 file carries (its password read from its file).
  set(SPINSTALL_VERIFY_CA_FILE "${SPINSTALL_SIGN_CA_FILE}")
  if(NOT SPINSTALL_VERIFY_CA_FILE)
    set(SPINSTALL_VERIFY_CA_FILE "${CMAKE_BINARY_DIR}/signing-chain.pem")
    find_program(SPINSTALL_OPENSSL openssl REQUIRED)
    execute_process(COMMAND "${SPINSTALL_OPENSSL}" pkcs12 -in "${SPINSTALL_SIGN_PKCS12}" -nokeys
      -passin "file:${SPINSTALL_SIGN_PASSWORD_FILE}" -out "${SPINSTALL_VERIFY_CA_FILE}.new"
      RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "The certificates in ${SPINSTALL_SIGN_PKCS12} cannot be read to verify the "
        "signatures with; name them with SPINSTALL_SIGN_CA_FILE:\n${output}")
    endif()
    # Rewritten only when it changes, so that a new configuration signs nothing anew.
    configure_file("${SPINSTALL_VERIFY_CA_FILE}.new" "${SPINSTALL_VERIFY_CA_FILE}" COPYONLY)
    file(REMOVE "${SPINSTALL_VERIFY_CA_FILE}.new")
  elseif(NOT EXISTS "${SPINSTALL_VERIFY_CA_FILE}")
    message(FATAL_ERROR "SPINSTALL_SIGN_CA_FILE: no file \"${SPINSTALL_VERIFY_CA_FILE}\"")
  endif()
  list(APPEND SPINSTALL_SIGN_DEPENDS "${SPINSTALL_VERIFY_CA_FILE}")
endif()

function(spinstall_sign_command var file)
  if(NOT SPINSTALL_SIGN_PKCS12)
    set(${var} "" PARENT_SCOPE)
    return()
  endif()
  set(${var} COMMAND ${CMAKE_COMMAND} "-DSIGN_TOOL=${SPINSTALL_OSSLSIGNCODE}"
    "-DSIGN_OPTIONS_FILE=${SPINSTALL_SIGN_OPTIONS_FILE}" "-DSIGN_FILE=${file}"
    -P "${PROJECT_SOURCE_DIR}/cmake/SignFile.cmake" PARENT_SCOPE)
endfunction()

function(spinstall_verify_command var file copy)
  if(NOT SPINSTALL_SIGN_PKCS12)
    set(${var} "" PARENT_SCOPE)
    return()
  endif()
  set(${var} COMMAND ${CMAKE_COMMAND} "-DSIGN_TOOL=${SPINSTALL_OSSLSIGNCODE}"
    "-DCA_FILE=${SPINSTALL_VERIFY_CA_FILE}" "-DSIGNED_FILE=${file}" "-DVERIFIED_COPY=${copy}"
    -P "${PROJECT_SOURCE_DIR}/cmake/VerifyFile.cmake" PARENT_SCOPE)
endfunction()
