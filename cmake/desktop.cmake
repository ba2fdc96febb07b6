# What a Linux desktop needs to find the console: the .desktop entry, the
# AppStream metainfo, the scene-file MIME types and the icon in the hicolor
# theme (the SVG, and PNGs rendered from it at build time).
# Included by the top-level CMakeLists when the console is built.

include(GNUInstallDirs)

set(BRISVEL_APP_ID "org.brisvel.Console")
# Where software centres fetch the screenshots named in the metainfo: the
# compact_connected_en.png and main_frame_en.png that scripts/screenshots writes.
set(BRISVEL_SCREENSHOT_URL "https://brisvel.example.org/screenshots/${PROJECT_VERSION}"
    CACHE STRING "Base URL of the screenshots in the AppStream metainfo")

set(_desk ${CMAKE_CURRENT_SOURCE_DIR}/resources/desktop)
configure_file(${_desk}/${BRISVEL_APP_ID}.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/desktop/${BRISVEL_APP_ID}.metainfo.xml @ONLY)

install(FILES ${_desk}/${BRISVEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/desktop/${BRISVEL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_desk}/${BRISVEL_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${BRISVEL_APP_ID}.xml)

set(_icon_svg ${CMAKE_CURRENT_SOURCE_DIR}/resources/icons/${BRISVEL_APP_ID}.svg)
install(FILES ${_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

add_executable(brisvel_render_icon ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/tools/render_icon.cpp)
target_link_libraries(brisvel_render_icon PRIVATE Qt6::Gui Qt6::Svg)

set(BRISVEL_ICON_SIZES 16 22 24 32 48 64 128 256)
set(_icon_dir ${CMAKE_CURRENT_BINARY_DIR}/icons)
set(_icon_pngs)
foreach(_s ${BRISVEL_ICON_SIZES})
  list(APPEND _icon_pngs ${_icon_dir}/${_s}x${_s}.png)
  install(FILES ${_icon_dir}/${_s}x${_s}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_s}x${_s}/apps
          RENAME ${BRISVEL_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${_icon_pngs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_icon_dir}
  # Under AddressSanitizer the toolkit's allocations at exit must not fail the build.
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:brisvel_render_icon> ${_icon_svg} ${_icon_dir} ${BRISVEL_ICON_SIZES}
  DEPENDS brisvel_render_icon ${_icon_svg}
  COMMENT "Rendering the icon")
add_custom_target(brisvel_icons ALL DEPENDS ${_icon_pngs})

# Installs into a temporary prefix and runs the desktop validators on the result.
add_test(NAME Packaging.InstallTree
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/packaging/install_tree_test.sh ${CMAKE_CURRENT_BINARY_DIR})
