# Manual pages generated from the programs' --help texts (glass-manpage),
# with the few sections the help does not hold from dist/PROGRAM.man, and
# compressed for installation: build/man/PROGRAM.SECTION[.gz].
string(TIMESTAMP GLASS_MAN_DATE "%B %Y" UTC)  # SOURCE_DATE_EPOCH when set
set(GLASS_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(GLASS_MAN_PAGES "")
function(glass_man_page program section manual)
  set(page ${GLASS_MAN_DIR}/${program}.${section})
  add_custom_command(
    OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${GLASS_MAN_DIR}
    COMMAND glass-manpage $<TARGET_FILE:${program}> ${section} ${manual} "${program} ${PROJECT_VERSION}"
            "${GLASS_MAN_DATE}" ${CMAKE_SOURCE_DIR}/dist/${program}.man ${page}
    COMMAND gzip -9nkf ${page}
    DEPENDS glass-manpage ${program} ${CMAKE_SOURCE_DIR}/dist/${program}.man
    COMMENT "Manual page ${program}(${section}) from ${program} --help"
    VERBATIM)
  set(GLASS_MAN_PAGES ${GLASS_MAN_PAGES} ${page} PARENT_SCOPE)
endfunction()
glass_man_page(glass-orchard 6 "Games Manual")
glass_man_page(glass-tool 1 "User Commands")
glass_man_page(glass-content 1 "User Commands")
add_custom_target(glass_man_pages ALL DEPENDS ${GLASS_MAN_PAGES})
