# Writes the version header at build time, so that the commit it names is
# the one built, not the one configured.  The file is rewritten only when its
# text changes, so an unchanged checkout rebuilds nothing.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DVERSION=... -P version.cmake
set(commit "")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-parse --short=10 HEAD
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0)
    set(commit "")
  endif()
endif()
set(text "#pragma once\n#define CORVANE_VERSION \"${VERSION}\"\n#define CORVANE_COMMIT \"${commit}\"\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
else()
  set(old "")
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
