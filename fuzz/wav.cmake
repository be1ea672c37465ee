# The readers are compiled into the target itself so that libFuzzer sees their coverage.
qulmo_fuzzer(wav ${CMAKE_CURRENT_LIST_DIR}/wav_fuzz.cpp LIBS qulmo_foundation)
target_sources(fuzz_wav PRIVATE ${PROJECT_SOURCE_DIR}/decoders/wav_reader.cpp ${PROJECT_SOURCE_DIR}/decoders/id3v2.cpp
               ${PROJECT_SOURCE_DIR}/decoders/metadata.cpp ${PROJECT_SOURCE_DIR}/decoders/metadata_text.cpp
               ${PROJECT_SOURCE_DIR}/decoders/replaygain.cpp)
