# bench_plots: first draw, zoomed redraw and memory of the hydrograph in the record windows, headless.
add_executable(bench_plots ${CMAKE_CURRENT_SOURCE_DIR}/bench_plots.cpp ${CMAKE_CURRENT_SOURCE_DIR}/bench_plots_scatter.cpp
                           $<TARGET_OBJECTS:lmv_resources>)
target_link_libraries(bench_plots PRIVATE lmv_views lmv_plots lmv_data Qt5::Widgets)
lmv_warnings(bench_plots)
