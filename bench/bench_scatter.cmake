# bench_scatter: the scattergraph's sediment sweep over a million records.
add_executable(bench_scatter ${CMAKE_CURRENT_SOURCE_DIR}/bench_scatter.cpp)
target_link_libraries(bench_scatter PRIVATE lmv_data Qt5::Core)
lmv_warnings(bench_scatter)
