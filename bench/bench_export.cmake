# bench_export: text and CSV export of large RVA and RVB files.
add_executable(bench_export ${CMAKE_CURRENT_SOURCE_DIR}/bench_export.cpp)
target_link_libraries(bench_export PRIVATE lmv_data Qt5::Core)
lmv_warnings(bench_export)
