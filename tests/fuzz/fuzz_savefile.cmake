kobre_fuzzer(fuzz_savefile ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_savefile.cpp DEPS kobre_script
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_savefile)
