# The sniffer is compiled into the target itself so that libFuzzer sees its coverage.
qulmo_fuzzer(ogg_sniff ${CMAKE_CURRENT_LIST_DIR}/ogg_sniff_fuzz.cpp)
target_sources(fuzz_ogg_sniff PRIVATE ${PROJECT_SOURCE_DIR}/decoders/ogg_sniff.cpp)
