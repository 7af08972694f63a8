# Settings persistence and the Options dialog.
target_sources(korvel_forms PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/FormSettings.cpp ${CMAKE_CURRENT_LIST_DIR}/FormSettings.h
  ${CMAKE_CURRENT_LIST_DIR}/FormPlacement.cpp ${CMAKE_CURRENT_LIST_DIR}/FormPlacement.h
  ${CMAKE_CURRENT_LIST_DIR}/ServerListText.cpp ${CMAKE_CURRENT_LIST_DIR}/ServerListText.h
  ${CMAKE_CURRENT_LIST_DIR}/MainStore.cpp ${CMAKE_CURRENT_LIST_DIR}/MainStore.h
  ${CMAKE_CURRENT_LIST_DIR}/OptionsStore.cpp ${CMAKE_CURRENT_LIST_DIR}/OptionsStore.h
  ${CMAKE_CURRENT_LIST_DIR}/OptionsServices.h
  ${CMAKE_CURRENT_LIST_DIR}/UOptions.cpp ${CMAKE_CURRENT_LIST_DIR}/UOptions.h
)
