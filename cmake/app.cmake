# The settings and login dialogs (brisvel_presets, src/presets), the
# application (brisvel_app, src/app: application object, windows, start-up and
# shutdown), its demo-and-test module (brisvel_demo, src/app/demo: the
# simulated processor of demo mode and the control channel, which reach the
# application only through app/demo/demo_host.h and app/console.h) and the
# executable brisvel-console, with the unit tests on the offscreen platform and
# the end-to-end tests that start the real program under the X server
# scripts/test provides.

find_package(Qt6 REQUIRED COMPONENTS Network DBus)

# One static library of every .cpp and .h in a folder of src/, less main.cpp.
function(brisvel_qt_layer name dir)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/src/${dir}/*.h)
  list(REMOVE_ITEM _srcs ${CMAKE_CURRENT_SOURCE_DIR}/src/${dir}/main.cpp)
  add_library(${name} STATIC ${_srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
  # The device layer names a member "slots"; Qt's keyword macros stay off here.
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
endfunction()

brisvel_qt_layer(brisvel_presets presets)
target_link_libraries(brisvel_presets PUBLIC brisvel_ui brisvel_editing brisvel_device brisvel_settings spdlog::spdlog
                      Qt6::Widgets)

# The tuning report's PDF and CSV (src/report), for the console and brisvelctl.
brisvel_qt_layer(brisvel_report report)
target_link_libraries(brisvel_report PUBLIC brisvel_ui brisvel_core Qt6::Gui)

brisvel_qt_layer(brisvel_demo app/demo)
target_link_libraries(brisvel_demo PUBLIC brisvel_controls brisvel_editing brisvel_device brisvel_settings
                      spdlog::spdlog Qt6::Widgets Qt6::Network)

brisvel_qt_layer(brisvel_app app)
target_link_libraries(brisvel_app PUBLIC brisvel_demo brisvel_report brisvel_measure brisvel_presets brisvel_controls brisvel_editing brisvel_device
                      brisvel_settings spdlog::spdlog Qt6::Widgets Qt6::Network Qt6::DBus)

add_executable(brisvel-console ${CMAKE_CURRENT_SOURCE_DIR}/src/app/main.cpp)
target_link_libraries(brisvel-console PRIVATE brisvel_app)
install(TARGETS brisvel-console RUNTIME DESTINATION bin)

file(GLOB _app_test_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/app/*.cpp)
add_executable(brisvel_app_tests ${_app_test_srcs})
target_include_directories(brisvel_app_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(brisvel_app_tests PRIVATE brisvel_app Qt6::Test GTest::gtest GTest::gmock)
target_compile_definitions(brisvel_app_tests PRIVATE BRISVEL_CONSOLE_PATH="$<TARGET_FILE:brisvel-console>")
add_dependencies(brisvel_app_tests brisvel-console)
# The end-to-end cases read DISPLAY themselves; the unit cases set the
# offscreen platform for their own process only. The cases share one X
# server and its pointer, so they never run at the same time.
gtest_discover_tests(brisvel_app_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 240 RESOURCE_LOCK brisvel_x_display)

# Renders the console's windows to PNG files (scripts/screenshots).
add_executable(brisvel_render_windows ${CMAKE_CURRENT_SOURCE_DIR}/src/app/tools/render_windows.cpp)
target_link_libraries(brisvel_render_windows PRIVATE brisvel_app)
