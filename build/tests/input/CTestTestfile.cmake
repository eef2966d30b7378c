# CMake generated Testfile for 
# Source directory: /work/main/tests/input
# Build directory: /work/main/build/tests/input
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
