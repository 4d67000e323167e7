# The Kdenlive and Shotcut descriptions of the MLT filter, and projects the
# editors saved with it, in melt with the build tree's filter.
if(TARGET irx_mlt)
  set(editors_cases)
  foreach(case descriptions kdenlive shotcut)
    add_test(NAME editors_mlt_${case} COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/editors.sh ${case})
    list(APPEND editors_cases editors_mlt_${case})
  endforeach()
  set_tests_properties(${editors_cases} PROPERTIES LABELS mlt ENVIRONMENT
    "IRISPLIT=$<TARGET_FILE:irisplit>;FREI0R_DIR=$<TARGET_FILE_DIR:irx_frei0r>;SAMPLE=${PROJECT_SOURCE_DIR}/samples/lake.png;MLT_REPOSITORY=$<TARGET_FILE_DIR:irx_mlt>;EDITORS=${PROJECT_SOURCE_DIR}/plugins/mlt/editors")
endif()
