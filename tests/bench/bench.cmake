# Decoding throughput of the stub's Deflate path against zlib's inflate, on the
# same compressed files in the same run (tests/bench/decode_bench.cpp).
find_package(benchmark QUIET)
find_package(ZLIB REQUIRED)
if(benchmark_FOUND)
  add_executable(decode_bench ${CMAKE_CURRENT_LIST_DIR}/decode_bench.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/../unit/support/zip_builder.cpp)
  target_include_directories(decode_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../unit)
  target_link_libraries(decode_bench PRIVATE sfxcore benchmark::benchmark ZLIB::ZLIB)
endif()
