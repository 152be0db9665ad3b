# bench_check: the survey check of a 1 000 000-record RVA file.
add_executable(bench_check ${CMAKE_CURRENT_SOURCE_DIR}/bench_check.cpp)
target_link_libraries(bench_check PRIVATE lmv_data Qt5::Core)
lmv_warnings(bench_check)
