# bench_link: frame codec throughput and the idle CPU of an open serial link.
add_executable(bench_link ${CMAKE_CURRENT_SOURCE_DIR}/bench_link.cpp)
target_link_libraries(bench_link PRIVATE lmv_serial lmv_devcore lmv_data Qt5::Core)
target_compile_definitions(bench_link PRIVATE LMV_LOGGER_SIM="$<TARGET_FILE:limnova-logger-sim>")
add_dependencies(bench_link limnova-logger-sim)
lmv_warnings(bench_link)
