kobre_fuzzer(fuzz_readrecord ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_readrecord.cpp DEPS kobre_storage
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_readrecord)
