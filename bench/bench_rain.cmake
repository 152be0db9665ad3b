# bench_rain: a year of one-minute rain imported from its CSV file into a project database, and its
# storm events.
add_executable(bench_rain ${CMAKE_CURRENT_SOURCE_DIR}/bench_rain.cpp)
target_link_libraries(bench_rain PRIVATE lmv_survey Qt5::Core)
lmv_warnings(bench_rain)
