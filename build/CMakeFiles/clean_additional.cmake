# Additional clean files
cmake_minimum_required(VERSION 3.16)

if("${CONFIG}" STREQUAL "" OR "${CONFIG}" STREQUAL "RelWithDebInfo")
  file(REMOVE_RECURSE
  "app/CMakeFiles/kobre_autogen.dir/AutogenUsed.txt"
  "app/CMakeFiles/kobre_autogen.dir/ParseCache.txt"
  "app/CMakeFiles/kobre_desktop_autogen.dir/AutogenUsed.txt"
  "app/CMakeFiles/kobre_desktop_autogen.dir/ParseCache.txt"
  "app/kobre_autogen"
  "app/kobre_desktop_autogen"
  "platform/CMakeFiles/kobre_platform_qt_autogen.dir/AutogenUsed.txt"
  "platform/CMakeFiles/kobre_platform_qt_autogen.dir/ParseCache.txt"
  "platform/kobre_platform_qt_autogen"
  "tests/desktop/CMakeFiles/test_desktop_autogen.dir/AutogenUsed.txt"
  "tests/desktop/CMakeFiles/test_desktop_autogen.dir/ParseCache.txt"
  "tests/desktop/test_desktop_autogen"
  )
endif()
