kobre_fuzzer(fuzz_wav ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_wav.cpp DEPS kobre_sound
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_wav)
