# The dBASE reader under libFuzzer for a bounded time. It is built by clang
# inside the test, apart from the gcc build, so the default build needs no
# clang at all.
find_program(ZV_CLANGXX clang++)
if(ZV_CLANGXX)
  add_test(NAME fuzz_dbfreader
           COMMAND ${PROJECT_SOURCE_DIR}/tests/run-isolated /bin/sh
                   ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_dbfreader.sh
                   ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/fuzz_dbfreader
                   "$<JOIN:$<TARGET_PROPERTY:Qt5::Core,INTERFACE_INCLUDE_DIRECTORIES>,:>"
                   $<TARGET_FILE:Qt5::Core> 20)
  set_tests_properties(fuzz_dbfreader PROPERTIES LABELS "fuzz;install" TIMEOUT 300)
else()
  message(STATUS "clang++ not found: the fuzz test of the dBASE reader is left out")
endif()
