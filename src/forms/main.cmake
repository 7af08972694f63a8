# The desktop windows: main window, small dialogs, command window shell, image list.
target_sources(korvel_forms PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ImageList.cpp ${CMAKE_CURRENT_LIST_DIR}/ImageList.h
  ${CMAKE_CURRENT_LIST_DIR}/MainActions.h
  ${CMAKE_CURRENT_LIST_DIR}/MainWindowStore.cpp ${CMAKE_CURRENT_LIST_DIR}/MainWindowStore.h
  ${CMAKE_CURRENT_LIST_DIR}/TreeEntry.h
  ${CMAKE_CURRENT_LIST_DIR}/Prompts.cpp ${CMAKE_CURRENT_LIST_DIR}/Prompts.h
  ${CMAKE_CURRENT_LIST_DIR}/ShellOpen.cpp ${CMAKE_CURRENT_LIST_DIR}/ShellOpen.h
  ${CMAKE_CURRENT_LIST_DIR}/UMain.cpp ${CMAKE_CURRENT_LIST_DIR}/UMain.h
  ${CMAKE_CURRENT_LIST_DIR}/MainTree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UConnection.cpp ${CMAKE_CURRENT_LIST_DIR}/UConnection.h
  ${CMAKE_CURRENT_LIST_DIR}/UEdit.cpp ${CMAKE_CURRENT_LIST_DIR}/UEdit.h
  ${CMAKE_CURRENT_LIST_DIR}/UMsg.cpp ${CMAKE_CURRENT_LIST_DIR}/UMsg.h
  ${CMAKE_CURRENT_LIST_DIR}/USplash.cpp ${CMAKE_CURRENT_LIST_DIR}/USplash.h
  ${CMAKE_CURRENT_LIST_DIR}/UCommand.cpp ${CMAKE_CURRENT_LIST_DIR}/UCommand.h
)
qt_add_resources(korvel_forms korvel_icons
  PREFIX "/icons"
  BASE ${CMAKE_CURRENT_LIST_DIR}/icons
  FILES
    ${CMAKE_CURRENT_LIST_DIR}/icons/2.svg ${CMAKE_CURRENT_LIST_DIR}/icons/26.svg
    ${CMAKE_CURRENT_LIST_DIR}/icons/27.svg ${CMAKE_CURRENT_LIST_DIR}/icons/28.svg
    ${CMAKE_CURRENT_LIST_DIR}/icons/39.svg ${CMAKE_CURRENT_LIST_DIR}/icons/73.svg
    ${CMAKE_CURRENT_LIST_DIR}/icons/81.svg ${CMAKE_CURRENT_LIST_DIR}/icons/82.svg
    ${CMAKE_CURRENT_LIST_DIR}/icons/83.svg ${CMAKE_CURRENT_LIST_DIR}/icons/84.svg
    ${CMAKE_CURRENT_LIST_DIR}/icons/85.svg ${CMAKE_CURRENT_LIST_DIR}/icons/86.svg
    ${CMAKE_CURRENT_LIST_DIR}/icons/87.svg ${CMAKE_CURRENT_LIST_DIR}/icons/88.svg
    ${CMAKE_CURRENT_LIST_DIR}/icons/splash.svg
)
