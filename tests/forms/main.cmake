# The desktop windows, against the real roles over loopback.
if(TARGET korvel_app)
  korvel_add_test(NAME tst_main_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_main_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiHelpers.h LIBS korvel_app LABELS gui TIMEOUT 180)
  korvel_add_test(NAME tst_dialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GuiHelpers.h LIBS korvel_app LABELS gui)
  korvel_add_test(NAME tst_program SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_program.cpp LIBS korvel_app LABELS gui)
  target_compile_definitions(tst_program PRIVATE KORVEL_PROGRAM="$<TARGET_FILE:Korvel>")
  add_dependencies(tst_program Korvel)
  foreach(t tst_main_window tst_dialogs tst_program)
    set_tests_properties(${t} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVEL_NO_SHELL=1")
  endforeach()
endif()

# Not a test: scripts/screenshots runs it under Xvfb.
if(TARGET korvel_app)
  add_executable(korvel-screenshots ${CMAKE_CURRENT_LIST_DIR}/screenshots.cpp)
  target_link_libraries(korvel-screenshots PRIVATE korvel_app Qt6::Test)
  target_include_directories(korvel-screenshots PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
