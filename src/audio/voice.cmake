# The voice path over the devices: transmit, datagrams, reception, probe, event sounds.
target_sources(korvel_audio PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TransmitState.h
  ${CMAKE_CURRENT_LIST_DIR}/TransmitInterfaces.h
  ${CMAKE_CURRENT_LIST_DIR}/Transmitter.cpp ${CMAKE_CURRENT_LIST_DIR}/Transmitter.h
  ${CMAKE_CURRENT_LIST_DIR}/DatagramSender.cpp ${CMAKE_CURRENT_LIST_DIR}/DatagramSender.h
  ${CMAKE_CURRENT_LIST_DIR}/Datagrams.cpp ${CMAKE_CURRENT_LIST_DIR}/Datagrams.h
  ${CMAKE_CURRENT_LIST_DIR}/Reception.cpp ${CMAKE_CURRENT_LIST_DIR}/Reception.h
  ${CMAKE_CURRENT_LIST_DIR}/ReceivePorts.cpp ${CMAKE_CURRENT_LIST_DIR}/ReceivePorts.h
  ${CMAKE_CURRENT_LIST_DIR}/VoiceSession.cpp ${CMAKE_CURRENT_LIST_DIR}/VoiceSession.h
  ${CMAKE_CURRENT_LIST_DIR}/VoiceWiring.cpp ${CMAKE_CURRENT_LIST_DIR}/VoiceWiring.h
  ${CMAKE_CURRENT_LIST_DIR}/Probe.cpp ${CMAKE_CURRENT_LIST_DIR}/Probe.h
  ${CMAKE_CURRENT_LIST_DIR}/EventSounds.cpp ${CMAKE_CURRENT_LIST_DIR}/EventSounds.h
)

# The join and leave sounds travel next to the programs.
foreach(sound connect.wav disconnect.wav)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/sounds/${sound} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${sound} COPYONLY)
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/sounds/connect.wav ${CMAKE_CURRENT_LIST_DIR}/sounds/disconnect.wav DESTINATION bin)
