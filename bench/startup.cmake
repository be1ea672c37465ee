# Preload module of the start-up measurement in bench/playback (playback.d/startup.py).
find_package(PkgConfig REQUIRED)
pkg_check_modules(STARTUP_PROBE REQUIRED IMPORTED_TARGET x11 alsa libmpg123)
add_library(qulmo_startup_probe MODULE ${CMAKE_CURRENT_SOURCE_DIR}/playback.d/startup_probe.cpp)
target_link_libraries(qulmo_startup_probe PRIVATE PkgConfig::STARTUP_PROBE ${CMAKE_DL_LIBS})
