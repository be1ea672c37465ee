add_executable(bench_audio ${CMAKE_CURRENT_LIST_DIR}/audio_bench.cpp)
target_link_libraries(bench_audio PRIVATE qulmo_app benchmark::benchmark)
