# What `cmake --install` puts where, and the Debian package CPack builds
# from it. The programs go into bin/, the demo game into share/kobre/demo
# (kobre finds it there, relative to itself), with a desktop entry, the icon
# drawn at build time and a man page for each program.
include(GNUInstallDirs)

install(TARGETS kobre upfetch kobre-arc kobre-mkgame RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Only the game's own files: a demo played in the build tree also holds
# settings and saves, which stay out of the package.
install(
  DIRECTORY ${PROJECT_BINARY_DIR}/demo/game/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/kobre/demo
  FILES_MATCHING
  PATTERN "arc.*"
  PATTERN "arc2.*"
  PATTERN "*.mid"
  PATTERN "*.mpg")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/kobre.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/packaging/kobre.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/kobre.1 ${PROJECT_SOURCE_DIR}/docs/man/upfetch.1
              ${PROJECT_SOURCE_DIR}/docs/man/kobre-arc.1 ${PROJECT_SOURCE_DIR}/docs/man/kobre-mkgame.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kobre)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KOBRE developers")
set(CPACK_PACKAGE_CONTACT "KOBRE developers <kobre@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Runtime for Japanese visual-novel games, with its tools")
set(CPACK_PACKAGE_DESCRIPTION
    "KOBRE plays Japanese visual-novel games (Shift-JIS scripts, layered pictures, message
window, choices, sound, saves) on Linux desktops, and runs them headless for tests.
It comes with the updater upfetch, the archive tool kobre-arc, the game builder
kobre-mkgame and a demo game.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# Library packages from the programs' own links; the font and the MIDI
# sound font are read at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, timgm6mb-soundfont")
include(CPack)
