# The Windows program that plays the end-to-end scenarios against an SFX under
# Wine. An ordinary console program with the C runtime, linked statically so
# that it needs no MinGW DLLs in the Wine prefix.
add_executable(sfxdriver ${CMAKE_SOURCE_DIR}/tests/wine/sfxdriver.cpp)
target_compile_options(sfxdriver PRIVATE -Wall -Wextra -Werror -O1)
target_link_options(sfxdriver PRIVATE -static -static-libgcc -static-libstdc++)
