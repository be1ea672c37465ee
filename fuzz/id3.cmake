qulmo_fuzzer(id3 ${CMAKE_CURRENT_LIST_DIR}/id3_fuzz.cpp LIBS qulmo_audio)
