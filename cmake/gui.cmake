# The Qt widget toolkit of the console (brisvel_ui: layouts, skins,
# translations, dialogs, menus, standard controls), the console's own controls
# on top of it (brisvel_controls), the gallery of every control with its sample
# data (brisvel_gallery, linked only into tests, benchmarks and the layout
# screenshot tool), their tests and the screenshot tool.
# Included by the top-level CMakeLists when BRISVEL_GUI is ON.

# The application layer (included after this file) uses Q_OBJECT classes.
set(CMAKE_AUTOMOC ON)

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Svg Test LinguistTools)

file(GLOB _ui_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/*.cpp)
file(GLOB _ui_hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/*.h)
add_library(brisvel_ui STATIC ${_ui_srcs} ${_ui_hdrs})
target_include_directories(brisvel_ui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
target_link_libraries(brisvel_ui PUBLIC brisvel_core brisvel_settings pugixml::pugixml Qt6::Widgets)

# Layouts and style classes compiled into the program under their resource names.
file(GLOB _ui_layouts CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/layouts/*.xml
     ${CMAKE_CURRENT_SOURCE_DIR}/resources/layouts/menus/*.xml)
qt_add_resources(brisvel_ui "brisvel_layouts"
  PREFIX "/layouts"
  BASE ${CMAKE_CURRENT_SOURCE_DIR}/resources/layouts
  FILES ${_ui_layouts})

# Linguist translations "translator:cn" and "translator:en", compiled and embedded.
set(_ui_ts
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/translations/translator_cn.ts
  ${CMAKE_CURRENT_SOURCE_DIR}/resources/translations/translator_en.ts)
qt_add_lrelease(brisvel_ui TS_FILES ${_ui_ts} QM_FILES_OUTPUT_VARIABLE _ui_qm)
qt_add_resources(brisvel_ui "brisvel_translations"
  PREFIX "/translations"
  BASE ${CMAKE_CURRENT_BINARY_DIR}
  FILES ${_ui_qm})

# The knob, faders, numeric edit, EQ graph and car view; each registers its
# elements with the layout loader (controls/controls.h).
file(GLOB _controls_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/controls/*.cpp)
file(GLOB _controls_hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/controls/*.h)
add_library(brisvel_controls STATIC ${_controls_srcs} ${_controls_hdrs})
target_link_libraries(brisvel_controls PUBLIC brisvel_ui)

# The gallery layout XML_GALLERY and the sample channel values, for tests,
# benchmarks and screenshots; the console itself does not carry them.
add_library(brisvel_gallery STATIC ${CMAKE_CURRENT_SOURCE_DIR}/src/gallery/sample_data.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/src/gallery/sample_data.h)
target_link_libraries(brisvel_gallery PUBLIC brisvel_controls)
qt_add_resources(brisvel_gallery "brisvel_gallery_layouts"
  PREFIX "/layouts"
  BASE ${CMAKE_CURRENT_SOURCE_DIR}/resources/gallery
  FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/gallery/XML_GALLERY.xml)

# Renders every built-in layout and the gallery to PNG files (scripts/screenshots).
add_executable(brisvel_render_layouts ${CMAKE_CURRENT_SOURCE_DIR}/src/gallery/render_layouts.cpp)
target_link_libraries(brisvel_render_layouts PRIVATE brisvel_gallery)

# Widget interaction tests, run on the offscreen platform.
file(GLOB _ui_test_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/ui/*.cpp)
add_executable(brisvel_ui_tests ${_ui_test_srcs})
target_include_directories(brisvel_ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(brisvel_ui_tests PRIVATE brisvel_ui Qt6::Test GTest::gtest GTest::gmock)
gtest_discover_tests(brisvel_ui_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# Tests of the console's controls, on the offscreen platform.
file(GLOB _controls_test_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/controls/*.cpp)
add_executable(brisvel_controls_tests ${_controls_test_srcs})
target_include_directories(brisvel_controls_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(brisvel_controls_tests PRIVATE brisvel_gallery Qt6::Test GTest::gtest GTest::gmock)
gtest_discover_tests(brisvel_controls_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
