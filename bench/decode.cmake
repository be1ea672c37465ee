add_executable(bench_decode ${CMAKE_CURRENT_LIST_DIR}/decode_bench.cpp)
target_link_libraries(bench_decode PRIVATE qulmo_decoders benchmark::benchmark PkgConfig::FLAC PkgConfig::MPG123)
