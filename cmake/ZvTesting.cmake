# zv_add_test(<name> LABELS <label>... SOURCES <file>... [LIBS <lib>...] [TIMEOUT <s>])
#
# Every test runs through tests/run-isolated, which gives the process a fresh
# HOME, XDG_CONFIG_HOME and TMPDIR of its own, so no test ever sees the real
# user's settings, temporary folder or autostart folder.
function(zv_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "LABELS;SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test zv_testsupport ${T_LIBS})
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/run-isolated $<TARGET_FILE:${name}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "${T_LABELS}"
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "ZV_BIN_DIR=${CMAKE_BINARY_DIR}/bin;ZV_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZV_TESTENV_ROOT=${CMAKE_BINARY_DIR}/testenv")
endfunction()
