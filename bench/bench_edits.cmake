# bench_edits: a 1 000 000-record survey with 10 000 edits made into its edited layer.
add_executable(bench_edits ${CMAKE_CURRENT_SOURCE_DIR}/bench_edits.cpp)
target_link_libraries(bench_edits PRIVATE lmv_survey Qt5::Core)
lmv_warnings(bench_edits)
