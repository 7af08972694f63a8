# The device side of korvel_audio: formats and codecs, device backends, the chain components.
target_sources(korvel_audio PRIVATE
  WaveFormat.cpp WaveFormat.h
  WavIo.cpp WavIo.h
  AudioCodec.h
  GsmCodec.cpp GsmCodec.h
  OpusCodec.cpp OpusCodec.h
  PcmCodec.h
  BlockCoder.cpp BlockCoder.h
  CodecManager.cpp CodecManager.h
  Resampler.cpp Resampler.h
  AudioBackend.h
  DeviceTuning.cpp DeviceTuning.h
  OutputStream.cpp OutputStream.h
  InputStream.cpp InputStream.h
  PulseContext.cpp PulseContext.h
  PulseBackend.cpp PulseBackend.h
  AlsaBackend.cpp AlsaBackend.h
  FileBackend.cpp FileBackend.h
  AudioSystem.cpp AudioSystem.h
  BufferLoader.h
  AudioOutput.cpp AudioOutput.h
  AudioInput.cpp AudioInput.h
  Volume.cpp Volume.h
  ACMConverter.cpp ACMConverter.h
  DSPInterfaceIn.cpp DSPInterfaceIn.h
  MMVox.cpp MMVox.h
  DSPInterfaceOut.cpp DSPInterfaceOut.h
  PCMConverter.cpp PCMConverter.h
  WaveFile.cpp WaveFile.h
  VoicePorts.h
  DeviceLists.cpp DeviceLists.h
  SystemMixer.cpp SystemMixer.h
  AudioChains.cpp AudioChains.h
)
pkg_check_modules(KORVEL_AUDIO_LIBS REQUIRED IMPORTED_TARGET libpulse libpulse-simple alsa opus speexdsp)
find_library(KORVEL_GSM_LIBRARY gsm REQUIRED)
find_path(KORVEL_GSM_INCLUDE gsm.h PATH_SUFFIXES gsm REQUIRED)
target_include_directories(korvel_audio PRIVATE ${KORVEL_GSM_INCLUDE})
find_package(Threads REQUIRED)
target_link_libraries(korvel_audio PUBLIC PkgConfig::KORVEL_AUDIO_LIBS ${KORVEL_GSM_LIBRARY} Threads::Threads)
