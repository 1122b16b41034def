# Installation and the Debian package:
#   cmake --install build --prefix P --strip   puts the programs in P/bin, the
#   content in P/share/glass-orchard, a desktop entry, its icon, the manual
#   pages and P/share/doc/glass-orchard (copyright, changelog.gz).
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

# The maintainer named by the package and its changelog: GLASS_MAINTAINER,
# by default the author of the source checkout's latest commit.
if(NOT GLASS_MAINTAINER)
  execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 "--format=%an <%ae>" OUTPUT_VARIABLE _author
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_author MATCHES "^[^<]+ <[^>]+@[^>]+>$")
    set(_maintainer "${_author}")
  else()
    set(_maintainer "GLASS ORCHARD for Linux <glass-orchard@localhost>")
  endif()
  set(GLASS_MAINTAINER "${_maintainer}" CACHE STRING "Maintainer of the Debian package: NAME <EMAIL>")
endif()

# /usr/share/doc/glass-orchard: copyright and the compressed changelog.
set(GLASS_DOC_DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/glass-orchard)
configure_file(${CMAKE_SOURCE_DIR}/dist/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/doc/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(glass_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/dist/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${GLASS_DOC_DESTINATION})

if(GLASS_BUILD_CONTENT AND TARGET glass_content_set)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/content/ DESTINATION ${GLASS_DATA_DESTINATION}
    PATTERN ".stamp" EXCLUDE)

  # The icon is the title card, made with the content (tools/CMakeLists.txt).
  install(FILES ${GLASS_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()

set(CPACK_PACKAGE_NAME glass-orchard)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running real-time presentation with music (a demo)")
set(CPACK_PACKAGE_CONTACT "${GLASS_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${GLASS_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)
# glass-content draws the title with this font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
set(CPACK_STRIP_FILES ON)
include(CPack)

# Everything the installation copies, for a build that made only part of
# the tree (scripts/demo builds this): cmake --install then finds it all.
add_custom_target(glass_installables DEPENDS glass-orchard glass-tool glass-content glass_man_pages glass_changelog)
if(TARGET glass_content_set)
  add_dependencies(glass_installables glass_content_set)
endif()
