# The reader is compiled into the target itself so that libFuzzer sees its coverage.
qulmo_fuzzer(vorbis ${CMAKE_CURRENT_LIST_DIR}/vorbis_fuzz.cpp LIBS qulmo_foundation)
target_sources(fuzz_vorbis PRIVATE ${PROJECT_SOURCE_DIR}/audio/vorbis_comment.cpp ${PROJECT_SOURCE_DIR}/audio/picture_block.cpp ${PROJECT_SOURCE_DIR}/audio/metadata.cpp
               ${PROJECT_SOURCE_DIR}/audio/metadata_text.cpp)
