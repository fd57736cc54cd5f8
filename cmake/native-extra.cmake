# Native build: the headless window layer takes its dialog templates from the
# resource script, read at build time into a generated table.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(HEADLESS_TEMPLATES ${CMAKE_BINARY_DIR}/generated/headless_templates.h)
add_custom_command(
  OUTPUT ${HEADLESS_TEMPLATES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/rc2headless.py
          ${CMAKE_SOURCE_DIR}/ui/resources.rc ${HEADLESS_TEMPLATES}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/rc2headless.py ${CMAKE_SOURCE_DIR}/ui/resources.rc
  COMMENT "Reading the dialog templates of ui/resources.rc"
  VERBATIM)
target_sources(sfxcore PRIVATE ${HEADLESS_TEMPLATES})
