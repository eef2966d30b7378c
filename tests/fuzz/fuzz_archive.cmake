kobre_fuzzer(fuzz_archive ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_archive.cpp DEPS kobre_storage
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_archive)
