# The packaging tool mksfx. Included by the native build (tools/) and by the
# Windows cross build, where it becomes the standalone mksfx.exe. Either way
# the program lands in ${CMAKE_BINARY_DIR}/tools/mksfx/.
set(MKSFX_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(MKSFX_SOURCE_ROOT ${MKSFX_DIR}/../.. ABSOLUTE)
add_executable(mksfx
  ${MKSFX_DIR}/main.cpp
  ${MKSFX_DIR}/entry_rules.cpp
  ${MKSFX_DIR}/folder_input.cpp
  ${MKSFX_DIR}/info.cpp
  ${MKSFX_DIR}/input_file.cpp
  ${MKSFX_DIR}/options_block.cpp
  ${MKSFX_DIR}/output_file.cpp
  ${MKSFX_DIR}/sfx_writer.cpp
  ${MKSFX_DIR}/zip_format.cpp
  ${MKSFX_DIR}/zip_input.cpp)
# The sources include the shared layout header as startup/options_block.h.
target_include_directories(mksfx PRIVATE ${MKSFX_SOURCE_ROOT})
target_compile_definitions(mksfx PRIVATE MKSFX_VERSION="${PROJECT_VERSION}")
# A normal tool, unlike the stub: exceptions and RTTI back the STL it uses,
# whatever flags the stub's build sets around it.
target_compile_options(mksfx PRIVATE -Wall -Wextra -Werror -fexceptions -frtti)
set_target_properties(mksfx PROPERTIES
  CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON CXX_EXTENSIONS OFF
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools/mksfx)

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # Standalone: zlib and the compiler's runtime are linked in, so mksfx.exe
  # needs no DLL beside it.
  find_library(MKSFX_ZLIB_STATIC NAMES libz.a REQUIRED)
  find_path(MKSFX_ZLIB_INCLUDE zlib.h REQUIRED)
  target_include_directories(mksfx SYSTEM PRIVATE ${MKSFX_ZLIB_INCLUDE})
  target_link_libraries(mksfx PRIVATE ${MKSFX_ZLIB_STATIC})
  target_link_options(mksfx PRIVATE -static -static-libgcc -static-libstdc++ -s)
  target_compile_definitions(mksfx PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
else()
  find_package(ZLIB REQUIRED)
  target_link_libraries(mksfx PRIVATE ZLIB::ZLIB)
endif()
