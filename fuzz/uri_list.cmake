qulmo_fuzzer(uri_list ${CMAKE_CURRENT_SOURCE_DIR}/uri_list_fuzz.cpp)
target_sources(fuzz_uri_list PRIVATE ${PROJECT_SOURCE_DIR}/fenra/x11/uri_list.cpp)
