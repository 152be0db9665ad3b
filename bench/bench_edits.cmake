# bench_edits: a 1 000 000-record survey with 10 000 edits made into its edited layer, and one edit
# committed to the project database of a 40 320-record survey with its figures refreshed.
add_executable(bench_edits ${CMAKE_CURRENT_SOURCE_DIR}/bench_edits.cpp
                           ${CMAKE_CURRENT_SOURCE_DIR}/bench_edits_commit.cpp)
target_link_libraries(bench_edits PRIVATE lmv_survey lmv_data Qt5::Core)
lmv_warnings(bench_edits)
