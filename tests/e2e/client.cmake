# korvel-bot processes against a korvel-server process.
if(TARGET korvel-server AND TARGET korvel-bot)
  korvel_add_test(NAME tst_e2e_bots SOURCES client/tst_e2e_bots.cpp LIBS korvel_core Qt6::Network LABELS e2e)
  set_tests_properties(tst_e2e_bots PROPERTIES
    ENVIRONMENT "KORVEL_SERVER_BIN=$<TARGET_FILE:korvel-server>;KORVEL_BOT_BIN=$<TARGET_FILE:korvel-bot>")
  add_dependencies(tst_e2e_bots korvel-server korvel-bot)
endif()
