# The extras data file ("scr\extras.txt") of the title screen's extras.
kobre_fuzzer(fuzz_extras ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_extras.cpp DEPS kobre_script
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_extras)
