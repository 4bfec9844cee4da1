# cmake -DOUTPUT=FILE.inc -DFILES="NAME=PATH|NAME=PATH..." -P embed_files.cmake
# Writes each file's bytes as an initializer {"NAME", std::string_view(...)},
# so the program carries small data files (the starter project's sheet and
# sounds) byte for byte.
string(REPLACE "|" ";" pairs "${FILES}")
set(out "")
foreach(pair ${pairs})
  string(REPLACE "=" ";" parts "${pair}")
  list(GET parts 0 name)
  list(GET parts 1 path)
  file(READ "${path}" hex HEX)
  file(SIZE "${path}" size)
  # One line of the literal per 64 bytes.
  string(LENGTH "${hex}" len)
  set(escaped "")
  foreach(at RANGE 0 ${len} 128)
    string(SUBSTRING "${hex}" ${at} 128 piece)
    if(piece STREQUAL "")
      break()
    endif()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" piece "${piece}")
    string(APPEND escaped "\n    \"${piece}\"")
  endforeach()
  string(APPEND out "{\"${name}\", std::string_view(${escaped},\n    ${size})},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "${out}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
