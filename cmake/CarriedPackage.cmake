# The package and descriptor texts the program carries, made at build time:
#   SPINSTALL_PACKAGE      a release engineer's .msp to carry; empty: the one
#                          msp_tool derives from the product family's packages
#                          that resources/package.def names
#   SPINSTALL_DESCRIPTORS  a folder of descriptor texts 206.txt, 207.txt, ...
#                          carried as they are; empty: made from templates
#                          with the package's values filled in: the demo's
#                          resources/descriptors/<ID>.txt.in for the authored
#                          package, resources/supplied-descriptor.txt.in once
#                          per target product (206, 207, ...) for a supplied one
# Every package and descriptor is checked before it is carried; a failed check
# stops the build with a message that names the value. A package is carried
# only as long as its compound file is: bytes past its end stop the build.
#
# Sets SPINSTALL_PACKAGE_FILE, SPINSTALL_EMBEDDED_PACKAGE (the file the program
# embeds: the package itself, or the copy whose signature verified when the
# build signs it), SPINSTALL_DESCRIPTOR_IDS, SPINSTALL_DESCRIPTOR_<ID>,
# the target spinstall_carried (built when everything is checked) and the
# target check_package (runs the check again on demand).

set(SPINSTALL_PACKAGE "" CACHE FILEPATH "A patch package (.msp) to carry instead of the authored one")
set(SPINSTALL_DESCRIPTORS "" CACHE PATH "A folder of patch descriptors (206.txt, ...) to carry")

set(carried_dir "${CMAKE_BINARY_DIR}/carried")
set(SPINSTALL_PACKAGE_FILE "${carried_dir}/package.msp")
set(SPINSTALL_EMBEDDED_PACKAGE "${SPINSTALL_PACKAGE_FILE}")
set(definition "${PROJECT_SOURCE_DIR}/resources/package.def")

if(SPINSTALL_PACKAGE)
  if(NOT EXISTS "${SPINSTALL_PACKAGE}")
    message(FATAL_ERROR "SPINSTALL_PACKAGE: no file ${SPINSTALL_PACKAGE}")
  endif()
  set(check_options "")
  add_custom_command(OUTPUT "${SPINSTALL_PACKAGE_FILE}"
    COMMAND ${CMAKE_COMMAND} -E copy "${SPINSTALL_PACKAGE}" "${SPINSTALL_PACKAGE_FILE}"
    DEPENDS "${SPINSTALL_PACKAGE}"
    COMMENT "Carrying the package ${SPINSTALL_PACKAGE}")
else()
  # What msp_tool authors has the Windows patch shape, or the build stops.
  set(check_options --authored)
  # And it applies as Windows applies it to every target at the baseline
  # release: the packages the definition's list names for its targets there.
  file(STRINGS "${definition}" def_lines REGEX "^(packages|baseline|target) *=")
  set(def_targets "")
  foreach(line IN LISTS def_lines)
    string(REGEX REPLACE "^([a-z]+) *= *(.*)$" "\\1;\\2" pair "${line}")
    list(GET pair 0 key)
    list(GET pair 1 value)
    if(key STREQUAL "target")
      list(APPEND def_targets "${value}")
    else()
      set(def_${key} "${value}")
    endif()
  endforeach()
  set(check_baselines "")
  if(EXISTS "${CMAKE_BINARY_DIR}/${def_packages}")
    file(STRINGS "${CMAKE_BINARY_DIR}/${def_packages}" listed)
    foreach(row IN LISTS listed)
      string(REPLACE "\t" ";" fields "${row}")
      list(GET fields 0 code)
      list(GET fields 1 release)
      list(GET fields 2 path)
      if(release STREQUAL def_baseline AND code IN_LIST def_targets)
        list(APPEND check_baselines "${path}")
      endif()
    endforeach()
  endif()
  if(check_baselines)
    list(PREPEND check_baselines --baselines)
  endif()
  if(NOT SPINSTALL_PRODUCT_PACKAGE_FILES)
    message(FATAL_ERROR "The product family's packages are not made (wixl, msibuild and MinGW are "
                        "needed), so no package can be derived: install them (scripts/setup) or "
                        "set SPINSTALL_PACKAGE")
  endif()
  # Signed (cmake/Signing.cmake) before anything reads its length.
  spinstall_sign_command(sign_package "${SPINSTALL_PACKAGE_FILE}")
  add_custom_command(OUTPUT "${SPINSTALL_PACKAGE_FILE}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${carried_dir}"
    COMMAND ${SPINSTALL_MSP_TOOL} author "${definition}" "${SPINSTALL_PACKAGE_FILE}"
    ${sign_package}
    # The definition's package list is relative to the build folder.
    WORKING_DIRECTORY "${CMAKE_BINARY_DIR}"
    DEPENDS "${definition}" quillmark_packages ${SPINSTALL_PRODUCT_PACKAGE_FILES} ${SPINSTALL_MSP_TOOL_TARGET}
            ${SPINSTALL_SIGN_DEPENDS}
    COMMENT "Deriving the carried package from the packages resources/package.def names"
    VERBATIM)
  # What the build signed is verified before it is embedded, every time it
  # changes: a package altered after signing is never carried and signed over.
  spinstall_verify_command(verify_package "${SPINSTALL_PACKAGE_FILE}" "${carried_dir}/verified/package.msp")
  if(verify_package)
    set(SPINSTALL_EMBEDDED_PACKAGE "${carried_dir}/verified/package.msp")
    add_custom_command(OUTPUT "${SPINSTALL_EMBEDDED_PACKAGE}"
      ${verify_package}
      DEPENDS "${SPINSTALL_PACKAGE_FILE}" ${SPINSTALL_SIGN_DEPENDS}
      COMMENT "Verifying the signature of the carried package"
      VERBATIM)
  endif()
endif()

set(descriptor_files "")
set(SPINSTALL_DESCRIPTOR_IDS "")
if(SPINSTALL_DESCRIPTORS)
  file(GLOB supplied CONFIGURE_DEPENDS "${SPINSTALL_DESCRIPTORS}/*.txt")
  foreach(file IN LISTS supplied)
    get_filename_component(id "${file}" NAME_WE)
    if(NOT id MATCHES "^[0-9]+$")
      message(FATAL_ERROR "SPINSTALL_DESCRIPTORS: ${file} is not named for its resource ID (206.txt, 207.txt, ...)")
    endif()
    set(out "${carried_dir}/descriptors/${id}.txt")
    add_custom_command(OUTPUT "${out}"
      COMMAND ${CMAKE_COMMAND} -E copy "${file}" "${out}"
      DEPENDS "${file}")
    list(APPEND SPINSTALL_DESCRIPTOR_IDS ${id})
    set(SPINSTALL_DESCRIPTOR_${id} "${out}")
  endforeach()
else()
  # Template and target product number (1-based) by descriptor ID.
  set(described "")
  if(SPINSTALL_PACKAGE)
    # One descriptor per target product code, in property 7's order: the
    # count is read now, and the build reconfigures when the package changes.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${SPINSTALL_PACKAGE}")
    find_program(MSIINFO_PROGRAM msiinfo REQUIRED)
    execute_process(COMMAND ${MSIINFO_PROGRAM} suminfo "${SPINSTALL_PACKAGE}"
      OUTPUT_VARIABLE summary RESULT_VARIABLE status ERROR_QUIET)
    if(NOT status EQUAL 0 OR NOT summary MATCHES "Template: ([^\n]+)")
      message(FATAL_ERROR "SPINSTALL_PACKAGE: ${SPINSTALL_PACKAGE} has no readable target list (summary property 7)")
    endif()
    string(REGEX MATCHALL "[^;]+" targets "${CMAKE_MATCH_1}")
    list(LENGTH targets count)
    foreach(n RANGE 1 ${count})
      math(EXPR id "205 + ${n}")
      list(APPEND described "${id}|${PROJECT_SOURCE_DIR}/resources/supplied-descriptor.txt.in|${n}")
    endforeach()
  else()
    file(GLOB templates CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/descriptors/*.txt.in")
    foreach(template IN LISTS templates)
      get_filename_component(name "${template}" NAME)
      string(REGEX REPLACE "\\.txt\\.in$" "" id "${name}")
      list(APPEND described "${id}|${template}|1")
    endforeach()
  endif()
  foreach(entry IN LISTS described)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 id)
    list(GET entry 1 template)
    list(GET entry 2 n)
    set(out "${carried_dir}/descriptors/${id}.txt")
    add_custom_command(OUTPUT "${out}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${carried_dir}/descriptors"
      COMMAND ${SPINSTALL_MSP_TOOL} describe "${SPINSTALL_PACKAGE_FILE}" "${template}" "${out}" ${n}
      DEPENDS "${template}" "${SPINSTALL_PACKAGE_FILE}" ${SPINSTALL_MSP_TOOL_TARGET}
      COMMENT "Making descriptor ${id}")
    list(APPEND SPINSTALL_DESCRIPTOR_IDS ${id})
    set(SPINSTALL_DESCRIPTOR_${id} "${out}")
  endforeach()
endif()
list(SORT SPINSTALL_DESCRIPTOR_IDS COMPARE NATURAL)
foreach(id IN LISTS SPINSTALL_DESCRIPTOR_IDS)
  list(APPEND descriptor_files "${SPINSTALL_DESCRIPTOR_${id}}")
endforeach()

# Bytes past the package's end are refused first: they ride along with the
# program, and no signature covers them (CheckPackageEnd.cmake).
set(check_end ${CMAKE_COMMAND} "-DPACKAGE=${SPINSTALL_EMBEDDED_PACKAGE}"
  -P "${PROJECT_SOURCE_DIR}/cmake/CheckPackageEnd.cmake")
set(checked "${carried_dir}/checked.stamp")
add_custom_command(OUTPUT "${checked}"
  COMMAND ${check_end}
  COMMAND ${SPINSTALL_MSP_TOOL} check ${check_options} "${SPINSTALL_PACKAGE_FILE}" ${descriptor_files}
          ${check_baselines}
  COMMAND ${CMAKE_COMMAND} -E touch "${checked}"
  DEPENDS "${SPINSTALL_EMBEDDED_PACKAGE}" "${SPINSTALL_PACKAGE_FILE}" ${descriptor_files}
          ${SPINSTALL_MSP_TOOL_TARGET} "${PROJECT_SOURCE_DIR}/cmake/CheckPackageEnd.cmake"
          "${PROJECT_SOURCE_DIR}/cmake/CompoundFileEnd.cmake"
  COMMENT "Checking the carried package and descriptors")
add_custom_target(spinstall_carried DEPENDS "${checked}")
# "cmake --build --preset windows --target check_package": the same check on
# demand, e.g. after replacing SPINSTALL_PACKAGE.
add_custom_target(check_package
  COMMAND ${check_end}
  COMMAND ${SPINSTALL_MSP_TOOL} check ${check_options} "${SPINSTALL_PACKAGE_FILE}" ${descriptor_files}
          ${check_baselines}
  DEPENDS "${SPINSTALL_EMBEDDED_PACKAGE}" ${descriptor_files} ${SPINSTALL_MSP_TOOL_TARGET}
  COMMENT "Checking the carried package and descriptors")
set(SPINSTALL_CARRIED_FILES "${SPINSTALL_EMBEDDED_PACKAGE}" ${descriptor_files} "${checked}")
