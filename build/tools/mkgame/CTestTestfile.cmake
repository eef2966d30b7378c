# CMake generated Testfile for 
# Source directory: /work/main/tools/mkgame
# Build directory: /work/main/build/tools/mkgame
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
