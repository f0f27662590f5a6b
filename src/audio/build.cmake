# The audio library travels inside the program: libkestrel-audio.so is packed
# (zlib) by a small host tool and linked into kestrel_audio as
# kestrel_audio_blob. Without the library the blob is empty and the program
# runs silent.
add_executable(kestrel-pack ${CMAKE_CURRENT_SOURCE_DIR}/audio/tools/pack.cpp)
target_link_libraries(kestrel-pack PRIVATE kestrel_platform_loader)

if(TARGET kestrel-audio)
  set(kestrel_audio_packed ${CMAKE_CURRENT_BINARY_DIR}/kestrel-audio.packed)
  # Debug information is never mapped; outside Debug builds it is left out of
  # the carried copy, so that start-up does not inflate it for nothing.
  set(kestrel_audio_carried $<TARGET_FILE:kestrel-audio>)
  set(kestrel_audio_strip "")
  if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug" AND CMAKE_OBJCOPY)
    set(kestrel_audio_carried ${CMAKE_CURRENT_BINARY_DIR}/kestrel-audio.carried.so)
    set(kestrel_audio_strip COMMAND ${CMAKE_OBJCOPY} --strip-debug $<TARGET_FILE:kestrel-audio> ${kestrel_audio_carried})
  endif()
  add_custom_command(
    OUTPUT ${kestrel_audio_packed}
    ${kestrel_audio_strip}
    COMMAND kestrel-pack ${kestrel_audio_carried} ${kestrel_audio_packed}
    DEPENDS kestrel-pack kestrel-audio $<TARGET_FILE:kestrel-audio>
    COMMENT "Packing the audio library into the program's data"
    VERBATIM)
  add_custom_target(kestrel_audio_packed DEPENDS ${kestrel_audio_packed})
  add_dependencies(kestrel_audio kestrel_audio_packed)
  kestrel_embed(kestrel_audio kestrel_audio_blob ${kestrel_audio_packed})
else()
  # No library to carry: an empty blob, which start-up reports as unusable.
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/kestrel-audio.none "")
  kestrel_embed(kestrel_audio kestrel_audio_blob ${CMAKE_CURRENT_BINARY_DIR}/kestrel-audio.none)
endif()
