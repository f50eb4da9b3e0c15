# cmake -DSIGN_TOOL=osslsigncode -DCA_FILE=<pem> -DSIGNED_FILE=<file> -DVERIFIED_COPY=<file> -P VerifyFile.cmake
# Copies SIGNED_FILE to VERIFIED_COPY and verifies the copy's Authenticode
# signature against the certificates in CA_FILE: the build embeds the copy, so
# the bytes it carries are the bytes verified. A file changed since it was
# signed stops the build, and no copy is left; so does a file with bytes past
# the end of its compound file, which the signature does not cover.
# The check is of the bytes and the signer, here and now: revocation lists are
# not fetched (a build needs no network), and a time stamp's own signer is the
# business of the Windows that runs the program.
set(copy "${VERIFIED_COPY}.verifying")
file(REMOVE "${VERIFIED_COPY}" "${copy}")
get_filename_component(folder "${VERIFIED_COPY}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(COPY_FILE "${SIGNED_FILE}" "${copy}")
execute_process(COMMAND "${SIGN_TOOL}" verify -CAfile "${CA_FILE}" -ignore-cdp -ignore-timestamp
  -in "${copy}" RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE "${copy}")
  message(FATAL_ERROR "${SIGNED_FILE} does not verify against ${CA_FILE}: it changed after it "
    "was signed, or another certificate signed it. Nothing is carried; delete the file to have "
    "it made and signed anew.\n${output}")
endif()
include("${CMAKE_CURRENT_LIST_DIR}/CompoundFileEnd.cmake")
spinstall_compound_file_fault("${copy}" fault)
if(fault)
  file(REMOVE "${copy}")
  message(FATAL_ERROR "${SIGNED_FILE} verifies, but ${fault}. Nothing is carried; delete the "
    "file to have it made and signed anew.")
endif()
file(RENAME "${copy}" "${VERIFIED_COPY}")
