# CMake generated Testfile for 
# Source directory: /work/main/tools/arc
# Build directory: /work/main/build/tools/arc
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
