# The shipped stub: a 32-bit GUI executable padded to exactly StubImageSize
# (32256) bytes, so that the OptionsBlock and the archive that the packager
# appends start at a fixed file offset.
#
# The C runtime's start-up code and libraries are left out: the stub has its
# own process entry (runtime/entry_win32.cpp) and the few primitives the
# compiler expects (runtime/freestanding_win32.cpp). It links only against
# kernel32, user32 and shell32, which Windows always loads from System32.

set(STUB_IMAGE_SIZE 32256)

file(GLOB STUB_RESOURCES CONFIGURE_DEPENDS ui/*.rc runtime/*_win32.rc)

add_executable(sfx_image WIN32 ${STUB_SOURCES} ${STUB_WIN32_ONLY} ${STUB_RESOURCES})
set_target_properties(sfx_image PROPERTIES OUTPUT_NAME sfx-linked)
target_include_directories(sfx_image PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
target_compile_definitions(sfx_image PRIVATE WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 NOMINMAX)

# Size matters more than speed here: nothing in the stub is hot except the
# decoder loops, and those are bound by the file reads.
#   -fno-asynchronous-unwind-tables: no exceptions, so no unwind tables.
#   -fno-threadsafe-statics: one thread; no guard calls into a runtime.
#   -fno-use-cxa-atexit: static destructors go through atexit, which the
#     stub maps onto its own exit handlers.
#   -fno-ident: no compiler banner in the image.
# No -fdata-sections: for this target GCC then puts zero-initialised variables
# into .data$name sections, which take file space (7 KB of CRC tables), where
# without it they go to .bss, which takes none.
target_compile_options(sfx_image PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:${STUB_CXX_FLAGS} -Os -ffunction-sections
    -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-threadsafe-statics
    -fno-use-cxa-atexit -fno-stack-protector -fno-ident>)

# The memory primitives must not be recognised as memcpy/memset loops and
# compiled into calls to themselves.
set_source_files_properties(${CMAKE_SOURCE_DIR}/runtime/freestanding_win32.cpp PROPERTIES
  COMPILE_OPTIONS "-fno-tree-loop-distribute-patterns;-fno-builtin")

# windres: the dialog templates, the icon and the manifest. The resource
# scripts include their files relative to their own folder.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR} -I${CMAKE_SOURCE_DIR}/ui -I${CMAKE_SOURCE_DIR}/runtime")

# -nostdlib: no C runtime start-up, no msvcrt import; -lgcc supplies the 64-bit
# arithmetic helpers and the stack probe. The entry point carries an
# underscore because i686 C names do.
#   --dynamicbase/--nxcompat: address randomisation and no-execute data, as
#     expected of a program started from untrusted folders.
#   --no-insert-timestamp: the same sources give the same bytes.
target_link_options(sfx_image PRIVATE
  -nostdlib -nostartfiles -s
  -Wl,--entry,_StubEntryPoint
  -Wl,--gc-sections
  -Wl,--subsystem,windows
  -Wl,--dynamicbase -Wl,--nxcompat
  -Wl,--no-insert-timestamp
  -Wl,--major-os-version,5,--minor-os-version,1
  -Wl,--major-subsystem-version,5,--minor-subsystem-version,1
  -Wl,-Map,${CMAKE_BINARY_DIR}/sfx.map)
target_link_libraries(sfx_image PRIVATE kernel32 user32 shell32 gcc)

# Fit the linked image into StubImageSize bytes and pad it to exactly that.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/sfx.exe
  COMMAND ${CMAKE_COMMAND} -DINPUT=$<TARGET_FILE:sfx_image> -DOUTPUT=${CMAKE_BINARY_DIR}/sfx.exe
          -DLIMIT=${STUB_IMAGE_SIZE} -P ${CMAKE_SOURCE_DIR}/cmake/fit-image.cmake
  DEPENDS sfx_image ${CMAKE_SOURCE_DIR}/cmake/fit-image.cmake
  COMMENT "Fitting the stub into ${STUB_IMAGE_SIZE} bytes"
  VERBATIM)
add_custom_target(sfx ALL DEPENDS ${CMAKE_BINARY_DIR}/sfx.exe)

# The Wine end-to-end tests drive the stub with a small Windows program.
include(${CMAKE_SOURCE_DIR}/tests/wine/driver.cmake OPTIONAL)
# The packaging tool, cross-built for Windows users.
include(${CMAKE_SOURCE_DIR}/tools/mksfx/mksfx.cmake OPTIONAL)
