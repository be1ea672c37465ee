qulmo_fuzzer(image ${CMAKE_CURRENT_LIST_DIR}/image_fuzz.cpp LIBS qulmo_imaging)
