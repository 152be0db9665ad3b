# bench_report_parts: the pieces of the survey report (hydrograph pages in a PDF, model files).
add_executable(bench_report_parts ${CMAKE_CURRENT_SOURCE_DIR}/bench_report_parts.cpp)
target_link_libraries(bench_report_parts PRIVATE lmv_report)
lmv_warnings(bench_report_parts)
