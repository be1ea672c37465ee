# The readers are compiled into the target itself so that libFuzzer sees their coverage.
qulmo_fuzzer(vorbis_picture ${CMAKE_CURRENT_LIST_DIR}/vorbis_picture_fuzz.cpp LIBS qulmo_foundation)
target_sources(fuzz_vorbis_picture PRIVATE ${PROJECT_SOURCE_DIR}/decoders/picture_block.cpp
               ${PROJECT_SOURCE_DIR}/decoders/metadata.cpp)
