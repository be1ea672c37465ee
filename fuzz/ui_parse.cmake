qulmo_fuzzer(ui_parse ${CMAKE_CURRENT_SOURCE_DIR}/ui_parse_fuzz.cpp LIBS qulmo_render)
