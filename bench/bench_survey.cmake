# bench_survey: a point's survey of eight weekly files and the overview of a 50-point project.
add_executable(bench_survey ${CMAKE_CURRENT_SOURCE_DIR}/bench_survey.cpp)
target_link_libraries(bench_survey PRIVATE lmv_survey lmv_data Qt5::Core)
lmv_warnings(bench_survey)
