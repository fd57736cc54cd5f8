# cmake -DINPUT=linked.exe -DOUTPUT=sfx.exe -DLIMIT=32256 -P fit-image.cmake
# Fails when the linked image is longer than LIMIT; otherwise reports the room
# left and writes OUTPUT: the image followed by zeros up to exactly LIMIT bytes.
file(SIZE "${INPUT}" linked_size)
math(EXPR room "${LIMIT} - ${linked_size}")
if(room LESS 0)
  math(EXPR over "0 - ${room}")
  message(FATAL_ERROR
    "The linked stub is ${linked_size} bytes: ${over} bytes over the ${LIMIT}-byte image. "
    "The OptionsBlock and the archive must start at offset ${LIMIT}; make the stub smaller.")
endif()
message(STATUS "Stub image: ${linked_size} of ${LIMIT} bytes used, ${room} bytes left")
file(COPY_FILE "${INPUT}" "${OUTPUT}")
execute_process(COMMAND truncate --size=${LIMIT} "${OUTPUT}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "Could not pad ${OUTPUT} to ${LIMIT} bytes")
endif()
