korvel_add_test(NAME tst_audio_codecs SOURCES tst_codecs.cpp LIBS korvel_audio)
korvel_add_test(NAME tst_audio_chains SOURCES tst_chains.cpp LIBS korvel_audio)
korvel_add_test(NAME tst_audio_devices SOURCES tst_devices.cpp LIBS korvel_audio LABELS pulse TIMEOUT 180)
