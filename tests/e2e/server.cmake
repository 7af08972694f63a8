korvel_add_test(NAME tst_server_process SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_server_process.cpp LIBS korvel_core)
target_compile_definitions(tst_server_process PRIVATE KORVEL_SERVER_PROGRAM="$<TARGET_FILE:korvel-server>")
add_dependencies(tst_server_process korvel-server)
