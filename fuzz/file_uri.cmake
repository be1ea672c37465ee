qulmo_fuzzer(file_uri ${CMAKE_CURRENT_LIST_DIR}/file_uri_fuzz.cpp LIBS qulmo_foundation)
target_sources(fuzz_file_uri PRIVATE ${PROJECT_SOURCE_DIR}/app/file_uri.cpp)
