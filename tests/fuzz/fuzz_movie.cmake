kobre_fuzzer(fuzz_movie ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_movie.cpp DEPS kobre_media
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_movie)
