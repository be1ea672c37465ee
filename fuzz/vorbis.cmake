qulmo_fuzzer(vorbis ${CMAKE_CURRENT_LIST_DIR}/vorbis_fuzz.cpp LIBS qulmo_audio)
