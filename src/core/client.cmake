target_sources(korvel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ClientRole.cpp ${CMAKE_CURRENT_LIST_DIR}/ClientRole.h
  ${CMAKE_CURRENT_LIST_DIR}/Captions.cpp ${CMAKE_CURRENT_LIST_DIR}/Captions.h
)
