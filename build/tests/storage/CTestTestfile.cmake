# CMake generated Testfile for 
# Source directory: /work/main/tests/storage
# Build directory: /work/main/build/tests/storage
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/storage/test_storage[1]_include.cmake")
