# Writes the version sources at build time (cmake -P), so a new commit
# shows in --version and the about box without re-running the configure
# step. Files are rewritten only when their text changes, so an unchanged
# version rebuilds nothing.
#   SOURCE_DIR       the source tree (its git commit is asked for)
#   OUTPUT_DIR       where the generated sources go
#   PROJECT_VERSION  the project's version, e.g. 1.0.0
set(GNSSLOG_FILE_VERSION "${PROJECT_VERSION}")
find_program(GIT_EXECUTABLE git)
if(GIT_EXECUTABLE AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(
    COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-parse --short=10 HEAD
    OUTPUT_VARIABLE _commit
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _status
    ERROR_QUIET)
  # "+g" and the commit: one word, so "NAME VERSION" stays two words, and
  # sorted after the plain release by Debian's version order.
  if(_status EQUAL 0 AND _commit MATCHES "^[0-9a-f]+$")
    set(GNSSLOG_FILE_VERSION "${PROJECT_VERSION}+g${_commit}")
  endif()
endif()
configure_file("${SOURCE_DIR}/platform/VersionBlock.cpp.in" "${OUTPUT_DIR}/VersionBlock.cpp" @ONLY)
configure_file("${SOURCE_DIR}/common/BuildVersion.cpp.in" "${OUTPUT_DIR}/BuildVersion.cpp" @ONLY)
