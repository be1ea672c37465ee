# A track load with and without a large JPEG cover, over the unit tests' null sound
# output and null window.
add_executable(bench_track_load ${CMAKE_CURRENT_LIST_DIR}/track_load_bench.cpp
               ${PROJECT_SOURCE_DIR}/tests/lib/null_sound.cpp ${PROJECT_SOURCE_DIR}/tests/lib/null_window.cpp)
target_include_directories(bench_track_load PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(bench_track_load PRIVATE
    TRACK_LOAD_BENCH_FONT="/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")
target_link_libraries(bench_track_load PRIVATE qulmo_app benchmark::benchmark)
