# bench_download: device-mode download speed against the logger simulator, and the idle CPU load
# of a connected viewer.
add_executable(bench_download ${CMAKE_CURRENT_LIST_DIR}/bench_download.cpp $<TARGET_OBJECTS:lmv_resources>)
target_link_libraries(bench_download PRIVATE lmv_app)
target_compile_definitions(bench_download PRIVATE LMV_SIM_PATH="$<TARGET_FILE:limnova-logger-sim>")
add_dependencies(bench_download limnova-logger-sim)
lmv_warnings(bench_download)
