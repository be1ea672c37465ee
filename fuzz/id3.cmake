# The reader is compiled into the target itself so that libFuzzer sees its coverage.
qulmo_fuzzer(id3 ${CMAKE_CURRENT_LIST_DIR}/id3_fuzz.cpp LIBS qulmo_foundation)
target_sources(fuzz_id3 PRIVATE ${PROJECT_SOURCE_DIR}/decoders/id3v2.cpp ${PROJECT_SOURCE_DIR}/decoders/id3v1.cpp ${PROJECT_SOURCE_DIR}/decoders/metadata.cpp
               ${PROJECT_SOURCE_DIR}/decoders/metadata_text.cpp
               ${PROJECT_SOURCE_DIR}/decoders/replaygain.cpp)
