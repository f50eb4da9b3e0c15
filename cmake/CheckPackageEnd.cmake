# cmake -DPACKAGE=<file> -P CheckPackageEnd.cmake
# Stops the build unless the package is exactly as long as its compound
# file's own structure says (CompoundFileEnd.cmake): bytes past its end would
# be carried, and a signature does not cover them; a shorter package is cut.
include("${CMAKE_CURRENT_LIST_DIR}/CompoundFileEnd.cmake")
spinstall_compound_file_fault("${PACKAGE}" fault)
if(fault)
  message(FATAL_ERROR "${PACKAGE} is not carried: ${fault}. Carry the package as its tool wrote it.")
endif()
