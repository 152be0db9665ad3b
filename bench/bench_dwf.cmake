# bench_dwf: dry-weather profile and storm inflow of a made-up 12-week survey with a year's rain.
add_executable(bench_dwf ${CMAKE_CURRENT_SOURCE_DIR}/bench_dwf.cpp)
target_link_libraries(bench_dwf PRIVATE lmv_synthetic Qt5::Core)
lmv_warnings(bench_dwf)
