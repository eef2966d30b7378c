# The linter over arbitrary script bytes; it shares the script target's seeds.
kobre_fuzzer(fuzz_lint ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_lint.cpp DEPS kobre_script
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_script)
