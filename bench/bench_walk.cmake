# bench_walk: connect to a complete device tree, and a download of repeating pages, against the
# logger simulator paced at 115200 baud.
add_executable(bench_walk ${CMAKE_CURRENT_LIST_DIR}/bench_walk.cpp $<TARGET_OBJECTS:lmv_resources>)
target_link_libraries(bench_walk PRIVATE lmv_app)
target_compile_definitions(bench_walk PRIVATE LMV_SIM_PATH="$<TARGET_FILE:limnova-logger-sim>"
                                              LMV_SAMPLES_DIR="${CMAKE_SOURCE_DIR}/samples")
add_dependencies(bench_walk limnova-logger-sim)
lmv_warnings(bench_walk)
