# bench_report: the whole survey report of one point and of a project of twelve points.
add_executable(bench_report ${CMAKE_CURRENT_SOURCE_DIR}/bench_report.cpp)
target_link_libraries(bench_report PRIVATE lmv_report)
lmv_warnings(bench_report)
