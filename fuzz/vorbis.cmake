# The reader is compiled into the target itself so that libFuzzer sees its coverage.
qulmo_fuzzer(vorbis ${CMAKE_CURRENT_LIST_DIR}/vorbis_fuzz.cpp LIBS qulmo_foundation)
target_sources(fuzz_vorbis PRIVATE ${PROJECT_SOURCE_DIR}/decoders/vorbis_comment.cpp ${PROJECT_SOURCE_DIR}/decoders/picture_block.cpp ${PROJECT_SOURCE_DIR}/decoders/metadata.cpp
               ${PROJECT_SOURCE_DIR}/decoders/metadata_text.cpp
               ${PROJECT_SOURCE_DIR}/decoders/replaygain.cpp)
