# Per-frame cost of the default and the animated description of the playback
# benchmark, and of the shipped animated look whole and per element type: ui_redraw and fenra_present to a real X server (DISPLAY must be set,
# bench/playback runs it under its Xvfb), beside the full-image copies.
add_executable(bench_frame ${CMAKE_CURRENT_SOURCE_DIR}/frame_bench.cpp
               ${PROJECT_SOURCE_DIR}/tests/ui/ui_render_test_scenes.cpp
               ${PROJECT_SOURCE_DIR}/tests/app/steady/alloc_count.cpp)
target_include_directories(bench_frame PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests/ui
                           ${PROJECT_SOURCE_DIR}/tests/app/steady)
target_compile_definitions(bench_frame PRIVATE
    FRAME_BENCH_FONT="/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
    FRAME_BENCH_ANIMATED="${CMAKE_CURRENT_SOURCE_DIR}/playback.d/animated.txt"
    FRAME_BENCH_SHIPPED="${PROJECT_SOURCE_DIR}/looks/animated.txt")
target_link_libraries(bench_frame PRIVATE qulmo_app fenra_x11
                      benchmark::benchmark)
