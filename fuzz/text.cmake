qulmo_fuzzer(text ${CMAKE_CURRENT_LIST_DIR}/text_fuzz.cpp LIBS qulmo_imaging)
