kobre_fuzzer(fuzz_psd ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_psd.cpp DEPS kobre_graphics
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_psd)
