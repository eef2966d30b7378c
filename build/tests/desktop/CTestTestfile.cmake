# CMake generated Testfile for 
# Source directory: /work/main/tests/desktop
# Build directory: /work/main/build/tests/desktop
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/desktop/test_desktop[1]_include.cmake")
