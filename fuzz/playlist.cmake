qulmo_fuzzer(playlist playlist_fuzz.cpp LIBS qulmo_formats qulmo_foundation)
target_sources(fuzz_playlist PRIVATE ${PROJECT_SOURCE_DIR}/app/playlist.cpp ${PROJECT_SOURCE_DIR}/app/dir_scan.cpp
               ${PROJECT_SOURCE_DIR}/app/options.cpp ${PROJECT_SOURCE_DIR}/input/list.cpp)
