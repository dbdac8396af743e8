# The artwork's SVG files as a Qt resource, and the application icon for the
# hicolor theme.

# Included from the GUI block, before the top level includes GNUInstallDirs.
include(GNUInstallDirs)

set(VEXON_ICON_DIR ${CMAKE_SOURCE_DIR}/data/icons)

# Compiled into vexon_ui; artwork.cpp names the resource's initializer, so every
# program linking vexon_ui keeps it although the library is static.
qt_add_resources(VEXON_ICON_RESOURCE ${VEXON_ICON_DIR}/vexon_icons.qrc)
target_sources(vexon_ui PRIVATE ${VEXON_ICON_RESOURCE})

# The theme's fixed sizes are rendered at build time from the same SVG file as the
# window's icon, so the two never drift apart.
add_executable(vexon-icon-render tools/icon_render/main.cpp)
target_link_libraries(vexon-icon-render PRIVATE Qt6::Svg Qt6::Gui)

set(VEXON_APP_ICON_PNGS)
foreach(pixels 48 256)
  set(dir ${CMAKE_BINARY_DIR}/icons/${pixels}x${pixels})
  set(png ${dir}/vexon.png)
  # A sanitizer build would otherwise fail the build on Qt's own leaks.
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:vexon-icon-render> ${VEXON_ICON_DIR}/vexon.svg ${pixels} ${png}
    DEPENDS vexon-icon-render ${VEXON_ICON_DIR}/vexon.svg
    COMMENT "Rendering the application icon at ${pixels} px"
    VERBATIM)
  list(APPEND VEXON_APP_ICON_PNGS ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${pixels}x${pixels}/apps)
endforeach()
add_custom_target(vexon_app_icons ALL DEPENDS ${VEXON_APP_ICON_PNGS})

install(FILES ${VEXON_ICON_DIR}/vexon.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
