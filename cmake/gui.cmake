# The Qt widget toolkit of the console (brisvel_ui): layouts, skins, translations,
# the application's own controls, their tests, and the layout screenshot tool.
# Included by the top-level CMakeLists when BRISVEL_GUI is ON.

# The application layer (included after this file) uses Q_OBJECT classes.
set(CMAKE_AUTOMOC ON)

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Svg Test LinguistTools)

file(GLOB _ui_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/*.cpp)
file(GLOB _ui_hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/*.h)
add_library(brisvel_ui STATIC ${_ui_srcs} ${_ui_hdrs})
target_include_directories(brisvel_ui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
target_link_libraries(brisvel_ui PUBLIC brisvel_core pugixml::pugixml Qt6::Widgets)

# Layouts and style classes compiled into the program under their resource names.
file(GLOB _ui_layouts CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/layouts/*.xml
     ${CMAKE_CURRENT_SOURCE_DIR}/resources/layouts/menus/*.xml)
qt_add_resources(brisvel_ui "brisvel_layouts"
  PREFIX "/layouts"
  BASE ${CMAKE_CURRENT_SOURCE_DIR}/resources/layouts
  FILES ${_ui_layouts})
file(GLOB _ui_skins CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/skins/*)
if(_ui_skins)
  qt_add_resources(brisvel_ui "brisvel_skins"
    PREFIX "/skins"
    BASE ${CMAKE_CURRENT_SOURCE_DIR}/resources/skins
    FILES ${_ui_skins})
endif()

# Linguist translations "translator:cn" and "translator:en", compiled and embedded.
set(_ui_ts
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/translations/translator_cn.ts
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/translations/translator_en.ts)
qt_add_lrelease(brisvel_ui TS_FILES ${_ui_ts} QM_FILES_OUTPUT_VARIABLE _ui_qm)
qt_add_resources(brisvel_ui "brisvel_translations"
  PREFIX "/translations"
  BASE ${CMAKE_CURRENT_BINARY_DIR}
  FILES ${_ui_qm})

# Renders every built-in layout to PNG files (scripts/screenshots).
add_executable(brisvel_render_layouts ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/tools/render_layouts.cpp)
target_link_libraries(brisvel_render_layouts PRIVATE brisvel_ui)

# Widget interaction tests, run on the offscreen platform.
file(GLOB _ui_test_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/ui/*.cpp)
if(_ui_test_srcs)
  add_executable(brisvel_ui_tests ${_ui_test_srcs})
  target_include_directories(brisvel_ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(brisvel_ui_tests PRIVATE brisvel_ui Qt6::Test GTest::gtest GTest::gmock)
  gtest_discover_tests(brisvel_ui_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
