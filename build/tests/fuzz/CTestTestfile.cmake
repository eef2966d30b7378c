# CMake generated Testfile for 
# Source directory: /work/main/tests/fuzz
# Build directory: /work/main/build/tests/fuzz
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[fuzz_replay.fuzz_acm]=] "/work/main/build/tests/fuzz/fuzz_acm" "/work/main/tests/fuzz/corpus/fuzz_acm")
set_tests_properties([=[fuzz_replay.fuzz_acm]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_acm.cmake;1;kobre_fuzzer;/work/main/tests/fuzz/fuzz_acm.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
add_test([=[fuzz_replay.fuzz_acm_codec]=] "/work/main/build/tests/fuzz/fuzz_acm_codec" "/work/main/tests/fuzz/corpus/fuzz_acm_codec")
set_tests_properties([=[fuzz_replay.fuzz_acm_codec]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_acm_codec.cmake;1;kobre_fuzzer;/work/main/tests/fuzz/fuzz_acm_codec.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
add_test([=[fuzz_replay.fuzz_archive]=] "/work/main/build/tests/fuzz/fuzz_archive" "/work/main/tests/fuzz/corpus/fuzz_archive")
set_tests_properties([=[fuzz_replay.fuzz_archive]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_archive.cmake;1;kobre_fuzzer;/work/main/tests/fuzz/fuzz_archive.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
add_test([=[fuzz_replay.fuzz_bmp]=] "/work/main/build/tests/fuzz/fuzz_bmp" "/work/main/tests/fuzz/corpus/fuzz_bmp")
set_tests_properties([=[fuzz_replay.fuzz_bmp]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_bmp.cmake;1;kobre_fuzzer;/work/main/tests/fuzz/fuzz_bmp.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
add_test([=[fuzz_replay.fuzz_lzss]=] "/work/main/build/tests/fuzz/fuzz_lzss" "/work/main/tests/fuzz/corpus/fuzz_lzss")
set_tests_properties([=[fuzz_replay.fuzz_lzss]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_lzss.cmake;1;kobre_fuzzer;/work/main/tests/fuzz/fuzz_lzss.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
add_test([=[fuzz_replay.fuzz_psd]=] "/work/main/build/tests/fuzz/fuzz_psd" "/work/main/tests/fuzz/corpus/fuzz_psd")
set_tests_properties([=[fuzz_replay.fuzz_psd]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_psd.cmake;1;kobre_fuzzer;/work/main/tests/fuzz/fuzz_psd.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
add_test([=[fuzz_replay.fuzz_readrecord]=] "/work/main/build/tests/fuzz/fuzz_readrecord" "/work/main/tests/fuzz/corpus/fuzz_readrecord")
set_tests_properties([=[fuzz_replay.fuzz_readrecord]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_readrecord.cmake;1;kobre_fuzzer;/work/main/tests/fuzz/fuzz_readrecord.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
add_test([=[fuzz_replay.fuzz_script]=] "/work/main/build/tests/fuzz/fuzz_script" "/work/main/tests/fuzz/corpus/fuzz_script")
set_tests_properties([=[fuzz_replay.fuzz_script]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_script.cmake;1;kobre_fuzzer;/work/main/tests/fuzz/fuzz_script.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
add_test([=[fuzz_replay.fuzz_settings]=] "/work/main/build/tests/fuzz/fuzz_settings" "/work/main/tests/fuzz/corpus/fuzz_settings")
set_tests_properties([=[fuzz_replay.fuzz_settings]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_settings.cmake;3;kobre_fuzzer;/work/main/tests/fuzz/fuzz_settings.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
add_test([=[fuzz_replay.fuzz_wav]=] "/work/main/build/tests/fuzz/fuzz_wav" "/work/main/tests/fuzz/corpus/fuzz_wav")
set_tests_properties([=[fuzz_replay.fuzz_wav]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/cmake/Kobre.cmake;59;add_test;/work/main/tests/fuzz/fuzz_wav.cmake;1;kobre_fuzzer;/work/main/tests/fuzz/fuzz_wav.cmake;0;;/work/main/tests/fuzz/CMakeLists.txt;7;include;/work/main/tests/fuzz/CMakeLists.txt;0;")
