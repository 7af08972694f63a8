# Tests of the voice path: transmit, datagrams, reception, probe, event sounds.
foreach(unit transmitter datagrams reception probe eventsounds)
  korvel_add_test(NAME tst_${unit} SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_${unit}.cpp ${CMAKE_CURRENT_LIST_DIR}/RecordingLink.h
                  LIBS korvel_audio LABELS voice)
endforeach()
korvel_add_test(NAME tst_voice_relay SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_voice_relay.cpp LIBS korvel_input LABELS voice)
korvel_add_test(NAME tst_client_voice SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_client_voice.cpp LIBS korvel_input LABELS voice)
