# CMake generated Testfile for 
# Source directory: /work/main/tests/app
# Build directory: /work/main/build/tests/app
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/app/test_app[1]_include.cmake")
