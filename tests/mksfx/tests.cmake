# The packaging tool's tests: they run the built mksfx on inputs made at test
# time by real archivers (zip, 7z, bsdtar, jar, python3) and check its output
# with unzip, 7z, a walk made the way the stub reads, and sfx-extract when
# the build has it.
find_package(ZLIB REQUIRED)
file(GLOB MKSFX_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(mksfx_tests ${MKSFX_TEST_SOURCES})
target_link_libraries(mksfx_tests PRIVATE GTest::gtest GTest::gtest_main ZLIB::ZLIB)
target_compile_options(mksfx_tests PRIVATE -Wall -Wextra -Werror)
add_dependencies(mksfx_tests mksfx)
if(TARGET sfx-extract)
  set(MKSFX_TEST_EXTRACT $<TARGET_FILE:sfx-extract>)
  add_dependencies(mksfx_tests sfx-extract)
else()
  set(MKSFX_TEST_EXTRACT "")
endif()
target_compile_definitions(mksfx_tests PRIVATE
  MKSFX_PATH="$<TARGET_FILE:mksfx>"
  SFX_EXTRACT_PATH="${MKSFX_TEST_EXTRACT}"
  SFX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# Fixed zone, so DOS times are checked against one local time.
include(GoogleTest)
gtest_discover_tests(mksfx_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ENVIRONMENT "TZ=Europe/Berlin")
