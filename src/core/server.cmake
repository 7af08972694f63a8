target_sources(korvel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Routing.cpp ${CMAKE_CURRENT_LIST_DIR}/Routing.h
  ${CMAKE_CURRENT_LIST_DIR}/ServerRole.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerRole.h
)
