# Installation and the Debian package:
#   cmake --install build --prefix P   puts the programs in P/bin, the content
#   in P/share/glass-orchard, a desktop entry, its icon and the manual page.
#   cd build && cpack -G DEB           builds glass-orchard_<version>_<arch>.deb.
include(GNUInstallDirs)

set(GLASS_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/glass-orchard)
# The program also looks in ../share/glass-orchard beside itself, so a copy
# installed under another prefix than the configured one finds its content.
target_compile_definitions(glass-orchard PRIVATE
  GLASS_INSTALLED_DATA_DIR="${CMAKE_INSTALL_FULL_DATADIR}/glass-orchard")

install(TARGETS glass-orchard glass-tool glass-content RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${GLASS_MAN_DIR}/glass-orchard.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${GLASS_MAN_DIR}/glass-tool.1.gz ${GLASS_MAN_DIR}/glass-content.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/dist/glass-orchard.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

if(GLASS_BUILD_CONTENT AND TARGET glass_content_set)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/content/ DESTINATION ${GLASS_DATA_DESTINATION}
    PATTERN ".stamp" EXCLUDE)

  # The icon is the title card, made with the content (tools/CMakeLists.txt).
  install(FILES ${GLASS_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()

set(CPACK_PACKAGE_NAME glass-orchard)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running real-time presentation with music (a demo)")
set(CPACK_PACKAGE_CONTACT "GLASS ORCHARD for Linux <glass-orchard@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)
# glass-content draws the title with this font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
set(CPACK_STRIP_FILES ON)
include(CPack)
