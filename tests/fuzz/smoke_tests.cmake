# Each harness of the fuzz tree SEASKY_FUZZ_BUILD_DIR as a test: over its seed
# corpus, then 30 s of new inputs, from a fresh scratch corpus (scripts/fuzz
# --smoke). The tree must have been built (scripts/fuzz --build-only).
include(${CMAKE_CURRENT_LIST_DIR}/harnesses.cmake)
foreach(harness IN LISTS SEASKY_FUZZ_HARNESSES)
  add_test(NAME fuzz.${harness}
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/fuzz --smoke --no-build --build-dir ${SEASKY_FUZZ_BUILD_DIR}
                   --only ${harness} 30)
  set_tests_properties(fuzz.${harness} PROPERTIES TIMEOUT 150 LABELS fuzz)
endforeach()
