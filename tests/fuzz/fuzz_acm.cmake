kobre_fuzzer(fuzz_acm ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_acm.cpp DEPS kobre_sound
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_acm)
