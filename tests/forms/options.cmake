korvel_add_test(NAME tst_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_settings.cpp LIBS korvel_forms LABELS forms)
korvel_add_test(NAME tst_options SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_options.cpp LIBS korvel_forms LABELS forms)
