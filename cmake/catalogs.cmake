# The translations: each po/LANG.po becomes locale/LANG/LC_MESSAGES/vexon.mo beside
# the programs in the build folder (where they look first) and under share/locale
# when installed.
find_program(VEXON_MSGFMT msgfmt REQUIRED)
file(GLOB VEXON_PO_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/po/*.po)
set(VEXON_MO_FILES)
foreach(po IN LISTS VEXON_PO_FILES)
  get_filename_component(language ${po} NAME_WE)
  set(mo ${PROJECT_BINARY_DIR}/locale/${language}/LC_MESSAGES/vexon.mo)
  add_custom_command(OUTPUT ${mo}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/locale/${language}/LC_MESSAGES
                     COMMAND ${VEXON_MSGFMT} --check -o ${mo} ${po}
                     DEPENDS ${po}
                     COMMENT "Building the ${language} message catalog"
                     VERBATIM)
  list(APPEND VEXON_MO_FILES ${mo})
  install(FILES ${mo} DESTINATION ${CMAKE_INSTALL_DATADIR}/locale/${language}/LC_MESSAGES)
endforeach()
add_custom_target(vexon-catalogs ALL DEPENDS ${VEXON_MO_FILES})
