# What `cmake --install` and `cpack -G DEB` put on a system: the programs, their
# manual pages and, with the desktop program, its menu entry and AppStream metainfo
# (the icons come from cmake/icons.cmake).
set(VEXON_APP_ID io.github.vexon.Vexon)
set(VEXON_DATA_DIR ${PROJECT_SOURCE_DIR}/data)

install(TARGETS vexon-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(VEXON_GUI)
  install(TARGETS vexon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${VEXON_DATA_DIR}/${VEXON_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${VEXON_DATA_DIR}/${VEXON_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# Manual pages: the version filled in, then compressed as Debian ships them. They are
# made with vexon-cli, so building only the programs still leaves everything the
# install rules name.
set(VEXON_MAN_PAGES vexon-cli)
if(VEXON_GUI)
  list(APPEND VEXON_MAN_PAGES vexon)
endif()
find_program(VEXON_GZIP gzip)
set(VEXON_MAN_OUTPUTS)
set(VEXON_ZH_MAN_OUTPUTS)
# Each page in English (data/man) and in Chinese (data/man/zh_CN).
set(VEXON_MAN_SOURCES)
foreach(page IN LISTS VEXON_MAN_PAGES)
  list(APPEND VEXON_MAN_SOURCES ${page} zh_CN/${page})
endforeach()
foreach(page IN LISTS VEXON_MAN_SOURCES)
  set(man_page ${PROJECT_BINARY_DIR}/man/${page}.1)
  configure_file(${VEXON_DATA_DIR}/man/${page}.1 ${man_page} @ONLY)
  if(VEXON_GZIP)
    # -n leaves the name and time out, so the same page gives the same bytes.
    add_custom_command(OUTPUT ${man_page}.gz
                       COMMAND ${VEXON_GZIP} -9 -n -k -f ${man_page}
                       DEPENDS ${man_page}
                       COMMENT "Compressing the manual page ${page}.1"
                       VERBATIM)
    set(man_output ${man_page}.gz)
  else()
    set(man_output ${man_page})
  endif()
  if(page MATCHES "^zh_CN/")
    list(APPEND VEXON_ZH_MAN_OUTPUTS ${man_output})
  else()
    list(APPEND VEXON_MAN_OUTPUTS ${man_output})
  endif()
endforeach()
add_custom_target(vexon-man ALL DEPENDS ${VEXON_MAN_OUTPUTS} ${VEXON_ZH_MAN_OUTPUTS})
add_dependencies(vexon-cli vexon-man)
install(FILES ${VEXON_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${VEXON_ZH_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1)

# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vexon developers")
set(CPACK_PACKAGE_CONTACT "Vexon developers <vexon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "music search and download client (维松MP3)")
# Lines kept under 80 columns, as dpkg shows them unwrapped.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Vexon asks music search services and the Internet Archive's audio\n"
       "collections for a song or a singer, checks every file link found and lists\n"
       "only the live ones, under file type, date, size and count filters. It\n"
       "downloads several files at once, resumes stopped downloads and keeps a log\n"
       "of the downloaded files to play, move, rename and delete them.\n"
       "\n"
       "The package holds the desktop program vexon and the command line program\n"
       "vexon-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The build's debug information stays out of the package.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vexon developers <vexon@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link (Qt's SVG library among them) come from
# dpkg-shlibdeps; these are what they load or read at run time: the platform
# plugins, Qt's own translations and the certificate authorities for HTTPS.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(VEXON_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, qt6-qpa-plugins, ca-certificates")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates")
endif()
include(CPack)
