# Where a compound file (an installer package) ends: its header's sector size
# and its sector count (the FAT) fix its length, and bytes after the last
# sector in use are no part of it. A signature over the package's streams
# never sees such bytes (docs/signing.md), so the build refuses them.
#
# spinstall_compound_file_end(FILE END_VAR ERROR_VAR) sets END_VAR to the
# length in bytes the file's own structure gives it: the header sector and
# every sector up to the last one the FAT does not mark free
# (FREESECT, 0xFFFFFFFF). ERROR_VAR says why when the header or the FAT
# cannot be read (END_VAR is then empty). [MS-CFB] 2.2 (the header: sector
# shift at 0x1E, FAT sector count at 0x2C, first DIFAT sector at 0x44, DIFAT
# sector count at 0x48, the first 109 FAT sector numbers at 0x4C) and 2.3,
# 2.5 (FAT and DIFAT sectors).

# A little-endian 32-bit value at OFFSET of FILE, as a number.
function(_spinstall_cfb_u32 file offset var)
  file(READ "${file}" hex OFFSET ${offset} LIMIT 4 HEX)
  string(LENGTH "${hex}" length)
  if(NOT length EQUAL 8)
    set(${var} "" PARENT_SCOPE)
    return()
  endif()
  string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" swapped "${hex}")
  math(EXPR value "0x${swapped}")
  set(${var} ${value} PARENT_SCOPE)
endfunction()

function(spinstall_compound_file_end file end_var error_var)
  set(${end_var} "" PARENT_SCOPE)
  file(SIZE "${file}" size)
  file(READ "${file}" signature LIMIT 8 HEX)
  if(NOT signature STREQUAL "d0cf11e0a1b11ae1")
    set(${error_var} "it is no compound file (no signature D0 CF 11 E0 A1 B1 1A E1)" PARENT_SCOPE)
    return()
  endif()
  file(READ "${file}" shift_hex OFFSET 30 LIMIT 2 HEX)
  # Version 3 files have 512-byte sectors (shift 9), version 4 4096 (12).
  if(shift_hex STREQUAL "0900")
    set(sector 512)
  elseif(shift_hex STREQUAL "0c00")
    set(sector 4096)
  else()
    set(${error_var} "its header gives no sector size of 512 or 4096 bytes (shift ${shift_hex})" PARENT_SCOPE)
    return()
  endif()
  math(EXPR entries "${sector} / 4")
  math(EXPR sector_digits "${sector} * 2")
  _spinstall_cfb_u32("${file}" 44 fat_count)
  _spinstall_cfb_u32("${file}" 68 difat_next)
  _spinstall_cfb_u32("${file}" 72 difat_count)
  # A FAT larger than the file could hold is damage, not a package.
  math(EXPR most_sectors "${size} / ${sector}")
  if(fat_count STREQUAL "" OR fat_count EQUAL 0 OR fat_count GREATER most_sectors)
    set(${error_var} "its header gives ${fat_count} FAT sectors for ${size} bytes" PARENT_SCOPE)
    return()
  endif()

  # The FAT's sector numbers: up to 109 in the header, the rest in the DIFAT
  # chain, sector size / 4 - 1 in each with the next DIFAT sector last.
  set(fat_sectors "")
  set(at 76)
  set(left ${fat_count})
  set(in_header 109)
  while(left GREATER 0 AND in_header GREATER 0)
    _spinstall_cfb_u32("${file}" ${at} number)
    list(APPEND fat_sectors ${number})
    math(EXPR at "${at} + 4")
    math(EXPR left "${left} - 1")
    math(EXPR in_header "${in_header} - 1")
  endwhile()
  set(difat_read 0)
  while(left GREATER 0)
    if(difat_read GREATER_EQUAL difat_count OR difat_next GREATER_EQUAL most_sectors)
      set(${error_var} "its DIFAT ends before its ${fat_count} FAT sectors are listed" PARENT_SCOPE)
      return()
    endif()
    math(EXPR base "(${difat_next} + 1) * ${sector}")
    math(EXPR last_entry "${entries} - 1")
    foreach(i RANGE 0 ${last_entry})
      math(EXPR at "${base} + ${i} * 4")
      if(i EQUAL last_entry)
        _spinstall_cfb_u32("${file}" ${at} difat_next)
      elseif(left GREATER 0)
        _spinstall_cfb_u32("${file}" ${at} number)
        list(APPEND fat_sectors ${number})
        math(EXPR left "${left} - 1")
      endif()
    endforeach()
    math(EXPR difat_read "${difat_read} + 1")
  endwhile()

  # The last sector in use: the last FAT entry that is not FREESECT, found
  # from the last FAT sector back. In a FAT sector's bytes a free entry is
  # eight "f" digits, so the last digit that is no "f" lies in the last entry
  # in use.
  list(LENGTH fat_sectors count)
  math(EXPR k "${count} - 1")
  while(k GREATER_EQUAL 0)
    list(GET fat_sectors ${k} number)
    math(EXPR base "(${number} + 1) * ${sector}")
    set(hex "")
    if(number LESS most_sectors)
      file(READ "${file}" hex OFFSET ${base} LIMIT ${sector} HEX)
    endif()
    string(LENGTH "${hex}" read)
    if(NOT read EQUAL sector_digits)
      set(${error_var} "its FAT sector ${number} lies past the file's ${size} bytes: it was cut short" PARENT_SCOPE)
      return()
    endif()
    string(REGEX REPLACE "f+$" "" used "${hex}")
    string(LENGTH "${used}" digits)
    if(digits GREATER 0)
      math(EXPR last "${k} * ${entries} + (${digits} - 1) / 8")
      math(EXPR end "(${last} + 2) * ${sector}")
      set(${end_var} ${end} PARENT_SCOPE)
      set(${error_var} "" PARENT_SCOPE)
      return()
    endif()
    math(EXPR k "${k} - 1")
  endwhile()
  set(${error_var} "its FAT marks every sector free" PARENT_SCOPE)
endfunction()

# spinstall_compound_file_fault(FILE FAULT_VAR): FAULT_VAR says what keeps
# FILE from being exactly its compound file ("it has N bytes past its end
# ...", "it was cut short ..."); empty when nothing does.
function(spinstall_compound_file_fault file fault_var)
  spinstall_compound_file_end("${file}" end error)
  file(SIZE "${file}" size)
  if(error)
    set(${fault_var} "${error}" PARENT_SCOPE)
  elseif(size GREATER end)
    math(EXPR extra "${size} - ${end}")
    set(${fault_var} "it has ${extra} bytes past its end (its compound file ends at byte ${end} of ${size}), which no signature covers" PARENT_SCOPE)
  elseif(size LESS end)
    set(${fault_var} "it ends at byte ${size}, before its last sector ends (byte ${end}): it was cut short" PARENT_SCOPE)
  else()
    set(${fault_var} "" PARENT_SCOPE)
  endif()
endfunction()
