kobre_fuzzer(fuzz_padsettings ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_padsettings.cpp DEPS kobre_input
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_padsettings)
