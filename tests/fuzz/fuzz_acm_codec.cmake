kobre_fuzzer(fuzz_acm_codec ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_acm_codec.cpp DEPS kobre_sound
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_acm_codec)
