# CMake generated Testfile for 
# Source directory: /work/main/storage
# Build directory: /work/main/build/storage
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
