kobre_fuzzer(fuzz_midi ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_midi.cpp DEPS kobre_media
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_midi)
