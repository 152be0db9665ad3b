# bench_survey_gui: the survey window's first hydrograph draw of eight weekly files and the project
# overview's matrix of 50 points × 12 weeks, headless.
add_executable(bench_survey_gui ${CMAKE_CURRENT_SOURCE_DIR}/bench_survey_gui.cpp $<TARGET_OBJECTS:lmv_resources>)
target_link_libraries(bench_survey_gui PRIVATE lmv_views lmv_plots lmv_survey lmv_data Qt5::Widgets)
lmv_warnings(bench_survey_gui)
