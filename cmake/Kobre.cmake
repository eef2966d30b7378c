# Helpers shared by every folder's CMakeLists.txt.

# kobre_core_library(NAME DEPS ...): a library of the portable core made of every
# .cpp in the calling folder. Core files are compiled with common/Forbidden.h
# included first, which turns direct use of the C library's I/O, environment and
# process calls into compile errors: the core reaches the outside only through
# the interfaces in platform/.
function(kobre_core_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PKGS;EXTRA_DIRS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(dir ${ARG_EXTRA_DIRS})
    file(GLOB more CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND srcs ${more})
  endforeach()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -include ${PROJECT_SOURCE_DIR}/common/Forbidden.h)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_PKGS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} ${ARG_PKGS})
  endif()
endfunction()

# kobre_test(NAME DEPS ...): one GoogleTest program from every .cpp in the
# calling folder, registered with ctest case by case.
function(kobre_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE KOBRE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy")
endfunction()

# kobre_fuzzer(NAME SOURCE DEPS ... CORPUS DIR): a libFuzzer target when
# KOBRE_FUZZ is on; otherwise a replay program (the same entry point driven by a
# small main) so that every build replays the seed corpus as a ctest case.
function(kobre_fuzzer name source)
  cmake_parse_arguments(ARG "" "CORPUS" "DEPS" ${ARGN})
  if(KOBRE_FUZZ)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(runner $<TARGET_FILE:${name}> -runs=0)
  else()
    add_executable(${name} ${source} ${PROJECT_SOURCE_DIR}/tests/fuzz/ReplayMain.cpp)
    set(runner $<TARGET_FILE:${name}>)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(ARG_CORPUS)
    add_test(NAME fuzz_replay.${name} COMMAND ${runner} ${ARG_CORPUS})
  endif()
endfunction()
