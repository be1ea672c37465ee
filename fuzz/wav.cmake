qulmo_fuzzer(wav ${CMAKE_CURRENT_LIST_DIR}/wav_fuzz.cpp LIBS qulmo_audio)
