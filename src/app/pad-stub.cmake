# Pads the built stub with zero bytes to its fixed length (the payload starts right after it) and
# fails when the program has outgrown that length. Arguments: -DFILE=<exe> -DSIZE=<bytes>.
file(SIZE "${FILE}" actual)
if(actual GREATER SIZE)
  math(EXPR over "${actual} - ${SIZE}")
  # Remove the oversized program so that the next build does not take it as up to date.
  file(REMOVE "${FILE}")
  message(FATAL_ERROR "Quillset.exe is ${actual} bytes, ${over} bytes over its fixed size of ${SIZE} bytes")
endif()
math(EXPR room "${SIZE} - ${actual}")
if(actual LESS SIZE)
  execute_process(COMMAND truncate -s ${SIZE} "${FILE}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    file(REMOVE "${FILE}")
    message(FATAL_ERROR "could not pad ${FILE} to ${SIZE} bytes")
  endif()
endif()
message(STATUS "Quillset.exe: ${actual} bytes of program, padded to ${SIZE}; head-room ${room} bytes")
