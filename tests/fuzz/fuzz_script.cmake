kobre_fuzzer(fuzz_script ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_script.cpp DEPS kobre_script
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_script)
