add_executable(bench_ui ${CMAKE_CURRENT_SOURCE_DIR}/ui_bench.cpp
               ${PROJECT_SOURCE_DIR}/tests/ui/ui_render_test_scenes.cpp)
target_include_directories(bench_ui PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests/ui)
target_compile_definitions(bench_ui PRIVATE UI_BENCH_FONT="/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")
target_link_libraries(bench_ui PRIVATE qulmo_render benchmark::benchmark)
