# CMake generated Testfile for 
# Source directory: /work/main/app/frame
# Build directory: /work/main/build/app/frame
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
