# Build helpers shared by every folder.

# The program's desktop id: the desktop entry's and the metainfo's file name,
# the icon's name, and what the window and MPRIS tell the desktop.
set(KESTREL_APP_ID org.kestrelplayer.KestrelPlayer)

# The audio types the player opens (mp3 mode lists them; FFmpeg and the MIDI
# synthesiser play them): the desktop entry's MimeType, for "Open with", and
# the media controls' SupportedMimeTypes.
set(KESTREL_MIME_TYPES
  audio/mpeg audio/x-mp3 audio/x-wav audio/wav audio/flac audio/x-flac audio/ogg audio/x-vorbis+ogg
  audio/x-opus+ogg audio/mp4 audio/x-m4a audio/aac audio/midi audio/x-midi audio/x-ms-wma audio/x-aiff)

# kestrel_area_library(NAME DIR [LIBS ...]): a static library of every .cpp in DIR.
# Each subsystem folder is one library, so that a folder builds on its own.
function(kestrel_area_library name dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.S)
  if(NOT sources)
    # A folder whose code has not been written yet still links.
    set(sources ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${sources} "// no sources yet\n")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/audiolib/include)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# kestrel_embed(TARGET SYMBOL FILE): links FILE's bytes into TARGET as
#   extern "C" const unsigned char SYMBOL[]; extern "C" const unsigned long SYMBOL_size;
# through an assembler .incbin, so large blobs cost no compile time.
function(kestrel_embed target symbol file)
  set(asm ${CMAKE_CURRENT_BINARY_DIR}/embed_${symbol}.S)
  file(WRITE ${asm}.in
    "    .section .rodata\n"
    "    .global ${symbol}\n"
    "    .global ${symbol}_size\n"
    "    .balign 16\n"
    "${symbol}:\n"
    "    .incbin \"${file}\"\n"
    "${symbol}_end:\n"
    "    .balign 8\n"
    "${symbol}_size:\n"
    "    .quad ${symbol}_end - ${symbol}\n"
    "    .section .note.GNU-stack,\"\",@progbits\n")
  configure_file(${asm}.in ${asm} COPYONLY)
  set_source_files_properties(${asm} PROPERTIES OBJECT_DEPENDS ${file})
  target_sources(${target} PRIVATE ${asm})
endfunction()

# kestrel_test_folder(AREA [LABEL label] [LIBS ...] [FILES ...]): the
# folder's *_test.cpp (only FILES when given) become the executable
# test_AREA, run with Qt offscreen; its *_xvfb_test.cpp become
# test_AREA_xvfb, run under a virtual X server. The folder's *_fixture.cpp
# are linked into both. The tests carry the label LABEL, AREA when none is
# given (one label: discovered tests take no list).
function(kestrel_test_folder area)
  cmake_parse_arguments(ARG "" "LABEL" "LIBS;FILES" ${ARGN})
  # Called from the CMakeLists.txt of the folder that holds the tests.
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  if(IS_DIRECTORY ${dir}/${area})
    set(dir ${dir}/${area})
  endif()
  if(ARG_FILES)
    list(TRANSFORM ARG_FILES PREPEND ${dir}/ OUTPUT_VARIABLE all)
  else()
    file(GLOB all CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  endif()
  set(label ${area})
  if(ARG_LABEL)
    set(label ${ARG_LABEL})
  endif()
  set(xvfb ${all})
  list(FILTER xvfb INCLUDE REGEX "_xvfb_test\\.cpp$")
  file(GLOB helpers CONFIGURE_DEPENDS ${dir}/*_fixture.cpp)
  set(unit ${all})
  if(xvfb)
    list(REMOVE_ITEM unit ${xvfb})
  endif()
  if(unit)
    add_executable(test_${area} ${unit} ${helpers})
    target_link_libraries(test_${area} PRIVATE kestrel_test_support ${ARG_LIBS})
    target_compile_definitions(test_${area} PRIVATE KESTREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                                    KESTREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
    gtest_discover_tests(test_${area}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      # One variable only: discovery splits a list here. The test main sets
      # KESTREL_SOURCE_DIR and KESTREL_BINARY_DIR itself.
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                 LABELS ${label} TIMEOUT 300)
  endif()
  if(xvfb)
    add_executable(test_${area}_xvfb ${xvfb} ${helpers})
    target_link_libraries(test_${area}_xvfb PRIVATE kestrel_test_support ${ARG_LIBS})
    target_compile_definitions(test_${area}_xvfb PRIVATE KESTREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                                         KESTREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
    add_test(NAME ${area}_xvfb
      COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:test_${area}_xvfb>)
    set_tests_properties(${area}_xvfb PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=xcb;KESTREL_SOURCE_DIR=${PROJECT_SOURCE_DIR};KESTREL_BINARY_DIR=${PROJECT_BINARY_DIR}"
      LABELS "${label};xvfb" TIMEOUT 300)
  endif()
endfunction()
