# Read by ctest after the unit tests gtest_discover_tests found (the lists
# fast_unit_tests and slow_unit_tests): labels and environment.
set(unit_test_environment "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy")
if(fast_unit_tests)
  set_tests_properties(${fast_unit_tests} PROPERTIES LABELS unit ENVIRONMENT "${unit_test_environment}")
endif()
if(slow_unit_tests)
  set_tests_properties(${slow_unit_tests} PROPERTIES LABELS "unit;slow" ENVIRONMENT "${unit_test_environment}")
endif()
