add_executable(sfx-extract ${CMAKE_CURRENT_SOURCE_DIR}/sfx_extract.cpp)
target_link_libraries(sfx-extract PRIVATE sfxcore)
target_compile_options(sfx-extract PRIVATE -Wall -Wextra -Werror)
