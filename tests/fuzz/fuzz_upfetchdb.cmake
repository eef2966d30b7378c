# The updater's management file reader; its source is built into the target
# so that the core-only build has it too.
kobre_fuzzer(fuzz_upfetchdb ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_upfetchdb.cpp DEPS kobre_platform_posix
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_upfetchdb)
target_sources(fuzz_upfetchdb PRIVATE ${PROJECT_SOURCE_DIR}/support/upfetch/ManagementData.cpp)
