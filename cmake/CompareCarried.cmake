# cmake -DPROGRAM=<exe> -DPACKAGE=<file> -P CompareCarried.cmake
# Before the program is signed: it must carry exactly the verified package's
# bytes (its resources keep them whole). Otherwise the program is deleted, so
# that nothing unverified is signed.
file(READ "${PROGRAM}" program HEX)
file(READ "${PACKAGE}" package HEX)
string(FIND "${program}" "${package}" at)
math(EXPR odd "${at} % 2")
if(at EQUAL -1 OR odd)
  file(REMOVE "${PROGRAM}")
  message(FATAL_ERROR "${PROGRAM} does not carry the bytes of the verified package ${PACKAGE}; "
    "it was deleted unsigned.")
endif()
