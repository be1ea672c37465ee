# The readers are compiled into the target itself so that libFuzzer sees their coverage.
qulmo_fuzzer(wav ${CMAKE_CURRENT_LIST_DIR}/wav_fuzz.cpp LIBS qulmo_foundation)
target_sources(fuzz_wav PRIVATE ${PROJECT_SOURCE_DIR}/audio/wav_reader.cpp ${PROJECT_SOURCE_DIR}/audio/id3v2.cpp
               ${PROJECT_SOURCE_DIR}/audio/metadata.cpp ${PROJECT_SOURCE_DIR}/audio/metadata_text.cpp)
