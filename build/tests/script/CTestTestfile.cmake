# CMake generated Testfile for 
# Source directory: /work/main/tests/script
# Build directory: /work/main/build/tests/script
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/script/test_script[1]_include.cmake")
