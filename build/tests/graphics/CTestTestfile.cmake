# CMake generated Testfile for 
# Source directory: /work/main/tests/graphics
# Build directory: /work/main/build/tests/graphics
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/graphics/test_graphics[1]_include.cmake")
