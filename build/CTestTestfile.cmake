# CMake generated Testfile for 
# Source directory: /work/main
# Build directory: /work/main/build
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("common")
subdirs("platform")
subdirs("storage")
subdirs("graphics")
subdirs("sound")
subdirs("input")
subdirs("script")
subdirs("screens")
subdirs("tools")
subdirs("app")
subdirs("support")
subdirs("demo")
subdirs("bench")
subdirs("tests")
