# Each harness of the fuzz tree SEASKY_FUZZ_BUILD_DIR as a test: over its seed
# corpus, then new inputs up to 10 s in all, from a fresh scratch corpus
# (scripts/fuzz --smoke): enough to replay every seed and to reach the
# first mutations of each, which is what catches a regression; the long
# searches are scripts/fuzz's. The tree must have been built (scripts/fuzz
# --build-only). COST puts them first in ctest's queue, so that the other
# tests run beside them.
include(${CMAKE_CURRENT_LIST_DIR}/harnesses.cmake)
foreach(harness IN LISTS SEASKY_FUZZ_HARNESSES)
  add_test(NAME fuzz.${harness}
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/fuzz --smoke --no-build --build-dir ${SEASKY_FUZZ_BUILD_DIR}
                   --only ${harness} 10)
  set_tests_properties(fuzz.${harness} PROPERTIES TIMEOUT 90 COST 1000 LABELS fuzz)
endforeach()
