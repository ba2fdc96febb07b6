# The application: brisvel_app (application object, windows, start-up and
# shutdown, presets dialogs, and the demo-and-test module in src/app/demo) and the executable brisvel-console, with the
# unit tests on the offscreen platform and the end-to-end tests that start the
# real program under the X server scripts/test provides.

find_package(Qt6 REQUIRED COMPONENTS Network DBus)

file(GLOB _app_srcs CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/src/app/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/src/app/demo/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/src/presets/*.cpp)
list(REMOVE_ITEM _app_srcs ${CMAKE_CURRENT_SOURCE_DIR}/src/app/main.cpp)
file(GLOB _app_hdrs CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/src/app/*.h ${CMAKE_CURRENT_SOURCE_DIR}/src/app/demo/*.h
  ${CMAKE_CURRENT_SOURCE_DIR}/src/presets/*.h)
add_library(brisvel_app STATIC ${_app_srcs} ${_app_hdrs})
target_include_directories(brisvel_app PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
# The device layer names a member "slots"; Qt's keyword macros stay off here.
target_compile_definitions(brisvel_app PUBLIC QT_NO_KEYWORDS)
target_link_libraries(brisvel_app PUBLIC brisvel_controls brisvel_editing brisvel_device brisvel_settings spdlog::spdlog
                      Qt6::Widgets Qt6::Network Qt6::DBus)

add_executable(brisvel-console ${CMAKE_CURRENT_SOURCE_DIR}/src/app/main.cpp)
target_link_libraries(brisvel-console PRIVATE brisvel_app)
install(TARGETS brisvel-console RUNTIME DESTINATION bin)

file(GLOB _app_test_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/app/*.cpp)
if(_app_test_srcs)
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
endif()

# Renders the console's windows to PNG files (scripts/screenshots).
add_executable(brisvel_render_windows ${CMAKE_CURRENT_SOURCE_DIR}/src/app/tools/render_windows.cpp)
target_link_libraries(brisvel_render_windows PRIVATE brisvel_app)
