kobre_fuzzer(fuzz_lzss ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_lzss.cpp DEPS kobre_graphics
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_lzss)
