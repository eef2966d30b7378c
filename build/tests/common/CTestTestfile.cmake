# CMake generated Testfile for 
# Source directory: /work/main/tests/common
# Build directory: /work/main/build/tests/common
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/common/test_common[1]_include.cmake")
