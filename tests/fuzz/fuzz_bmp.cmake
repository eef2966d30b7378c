kobre_fuzzer(fuzz_bmp ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_bmp.cpp DEPS kobre_graphics
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_bmp)
