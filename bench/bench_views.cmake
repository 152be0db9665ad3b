# bench_views: opening, sorting, unit switching and copying large files in the record windows,
# headless.
add_executable(bench_views ${CMAKE_CURRENT_SOURCE_DIR}/bench_views.cpp $<TARGET_OBJECTS:lmv_resources>)
target_link_libraries(bench_views PRIVATE lmv_views lmv_data Qt5::Widgets)
lmv_warnings(bench_views)
