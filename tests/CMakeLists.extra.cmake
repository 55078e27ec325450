# Registered by tests/CMakeLists.txt when present: the application's extra
# test wiring.

# The gui tests carry the version block the application carries, so the
# about box can be checked against the running executable.
if(TARGET gnsslog_gui_tests AND DEFINED GNSSLOG_VERSION_BLOCK_SOURCE)
  target_sources(gnsslog_gui_tests PRIVATE ${GNSSLOG_VERSION_BLOCK_SOURCE})
  target_compile_definitions(gnsslog_gui_tests PRIVATE GNSSLOG_FILE_VERSION="${GNSSLOG_FILE_VERSION}")
endif()

# The real application under a virtual X server: menus, the file dialog,
# the six windows, a View toggle and a screenshot.
find_program(GNSSLOG_XVFB_RUN xvfb-run)
find_program(GNSSLOG_XDOTOOL xdotool)
find_program(GNSSLOG_IMPORT import)
if(TARGET gnsslog AND TARGET gnsslog-samplegen AND GNSSLOG_XVFB_RUN AND GNSSLOG_XDOTOOL AND GNSSLOG_IMPORT)
  add_test(NAME gnsslog_window
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/window/real_window.sh
      $<TARGET_FILE:gnsslog> $<TARGET_FILE:gnsslog-samplegen> ${CMAKE_SOURCE_DIR}/samples
      ${CMAKE_CURRENT_BINARY_DIR}/window)
  set_tests_properties(gnsslog_window PROPERTIES TIMEOUT 90 LABELS window)
endif()
if(TEST gnsslog_window)
  # The sanitizer settings of the other tests; the script picks the xcb
  # platform itself.
  set_tests_properties(gnsslog_window PROPERTIES ENVIRONMENT "${GNSSLOG_TEST_ENV}")
endif()
