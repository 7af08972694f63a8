korvel_add_test(NAME tst_routing SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_routing.cpp LIBS korvel_core)
korvel_add_test(NAME tst_server SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_server.cpp
                ${CMAKE_CURRENT_LIST_DIR}/ServerTestClient.h LIBS korvel_core)
