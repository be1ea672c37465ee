qulmo_fuzzer(file_uri ${CMAKE_CURRENT_LIST_DIR}/file_uri_fuzz.cpp LIBS qulmo_foundation)
