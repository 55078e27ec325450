# The fuzz targets in reproduce mode, in every build: each fuzz/<t>.cpp
# (named *_fuzz) also becomes <t>_replay, the target with the plain main of
# fuzz/ReplayMain.cpp, and a test replays it over the target's seeds
# (fuzz/corpus/<t>) and every input that once made it fail
# (fuzz/regressions/<t>).
set(_fuzz_dir ${CMAKE_SOURCE_DIR}/fuzz)
file(GLOB _fuzz_sources CONFIGURE_DEPENDS ${_fuzz_dir}/*_fuzz.cpp)
# Listed with CONFIGURE_DEPENDS so that a new folder of inputs is picked
# up by the next build.
file(GLOB _input_dirs LIST_DIRECTORIES true CONFIGURE_DEPENDS
  ${_fuzz_dir}/corpus/* ${_fuzz_dir}/regressions/*)

set(_fuzz_targets)
foreach(_src IN LISTS _fuzz_sources)
  get_filename_component(_target ${_src} NAME_WE)
  list(APPEND _fuzz_targets ${_target})
  if(NOT IS_DIRECTORY ${_fuzz_dir}/corpus/${_target})
    message(FATAL_ERROR "fuzz target ${_target} has no seeds in fuzz/corpus/${_target}")
  endif()
  set(_inputs ${_fuzz_dir}/corpus/${_target})
  if(IS_DIRECTORY ${_fuzz_dir}/regressions/${_target})
    list(APPEND _inputs ${_fuzz_dir}/regressions/${_target})
  endif()
  add_executable(${_target}_replay ${_src} ${_fuzz_dir}/ReplayMain.cpp)
  target_link_libraries(${_target}_replay PRIVATE gnsslog_test_support gnsslog_core)
  add_test(NAME ${_target}_replay COMMAND ${_target}_replay ${_inputs})
  set_tests_properties(${_target}_replay PROPERTIES
    ENVIRONMENT "${GNSSLOG_TEST_ENV}" LABELS fuzz-replay TIMEOUT 300)
endforeach()

# Inputs kept for a target that no longer exists would never run again.
foreach(_dir IN LISTS _input_dirs)
  get_filename_component(_name ${_dir} NAME)
  if(IS_DIRECTORY ${_dir} AND NOT _name IN_LIST _fuzz_targets)
    message(FATAL_ERROR "inputs for an unknown fuzz target: ${_dir}")
  endif()
endforeach()

# The replay is only worth something if a failing property fails it, and
# if a wrong path cannot pass as "no input failed".
add_executable(fuzz_replay_probe ${_fuzz_dir}/ReplayFailureProbe.cpp ${_fuzz_dir}/ReplayMain.cpp)
add_test(NAME fuzz_replay_fails_on_a_broken_property
  COMMAND sh -c "! \"$@\"" probe $<TARGET_FILE:fuzz_replay_probe> ${_fuzz_dir}/corpus/nmea_framer_fuzz)
add_test(NAME fuzz_replay_fails_on_a_path_without_inputs
  COMMAND sh -c "! \"$@\"" probe $<TARGET_FILE:nmea_framer_fuzz_replay> ${_fuzz_dir}/corpus/no_such_target)
set_tests_properties(fuzz_replay_fails_on_a_broken_property fuzz_replay_fails_on_a_path_without_inputs
  PROPERTIES ENVIRONMENT "${GNSSLOG_TEST_ENV}" LABELS fuzz-replay)
