# The settings file lives with the application frame; its source is built
# into the target directly so that the core-only build has it too (the
# profile file itself is in kobre_common).
kobre_fuzzer(fuzz_settings ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_settings.cpp DEPS kobre_common
             CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/corpus/fuzz_settings)
target_sources(fuzz_settings PRIVATE ${PROJECT_SOURCE_DIR}/app/frame/SettingsFile.cpp)
target_link_libraries(fuzz_settings PRIVATE kobre_platform_api)
