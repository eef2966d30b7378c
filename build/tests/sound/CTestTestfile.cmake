# CMake generated Testfile for 
# Source directory: /work/main/tests/sound
# Build directory: /work/main/build/tests/sound
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/sound/test_sound[1]_include.cmake")
