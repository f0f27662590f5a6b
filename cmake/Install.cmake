# What `cmake --install` puts where (prefix and DESTDIR honoured), and the
# Debian package that `make deb` builds from it with CPack.
#
#   bin/kestrel-player, bin/kestrel-site
#   lib/kestrel-player/        the web module, the desktop entry's launcher
#   share/kestrel-player/      the shipped data, seeded into the user's data folder
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1
#   share/doc/kestrel-player/  the copyright file and the changelog
#   lib/systemd/user/kestrel-site.service
#
# The desktop entry and the unit name the launcher and the site by absolute
# path, so they are written at install time, when the prefix is final (CPack
# installs with its own prefix).

set(desktop_dir ${PROJECT_SOURCE_DIR}/desktop)
set(generated ${PROJECT_BINARY_DIR}/desktop)

install(TARGETS kestrel-player kestrel-site RUNTIME DESTINATION bin)
install(TARGETS kestrel-web LIBRARY DESTINATION lib/kestrel-player)
install(PROGRAMS ${desktop_dir}/kestrel-player-launcher DESTINATION lib/kestrel-player)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION share/kestrel-player
        PATTERN "*.py" EXCLUDE PATTERN "__pycache__" EXCLUDE)

configure_file(${desktop_dir}/metainfo.xml.in ${generated}/${KESTREL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${generated}/${KESTREL_APP_ID}.metainfo.xml DESTINATION share/metainfo)

list(JOIN KESTREL_MIME_TYPES ";" mime_line)
install(CODE "
  set(KESTREL_APP_ID ${KESTREL_APP_ID})
  set(KESTREL_MIME_TYPES \"${mime_line};\")
  set(KESTREL_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/lib/kestrel-player/kestrel-player-launcher\")
  set(KESTREL_SITE_EXEC \"\${CMAKE_INSTALL_PREFIX}/bin/kestrel-site\")
  configure_file(${desktop_dir}/kestrel-player.desktop.in ${generated}/${KESTREL_APP_ID}.desktop @ONLY)
  configure_file(${desktop_dir}/kestrel-site.service.in ${generated}/kestrel-site.service @ONLY)
")
install(FILES ${generated}/${KESTREL_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${generated}/kestrel-site.service DESTINATION lib/systemd/user)

foreach(size 48 128 256)
  install(FILES ${desktop_dir}/icons/kestrel-player-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${KESTREL_APP_ID}.png)
endforeach()
install(FILES ${desktop_dir}/icons/kestrel-player.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME ${KESTREL_APP_ID}.svg)

# Man pages and the changelog are installed gzipped, as Debian wants them;
# -n leaves out the name and time stamp, so the same sources give the same
# files.
find_program(KESTREL_GZIP gzip REQUIRED)
set(compressed_docs)
foreach(doc kestrel-player.1 kestrel-site.1 changelog)
  add_custom_command(
    OUTPUT ${generated}/${doc}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${desktop_dir}/${doc} ${generated}/${doc}
    COMMAND ${KESTREL_GZIP} -9nf ${generated}/${doc}
    DEPENDS ${desktop_dir}/${doc}
    VERBATIM)
  list(APPEND compressed_docs ${generated}/${doc}.gz)
endforeach()
add_custom_target(kestrel_compressed_docs ALL DEPENDS ${compressed_docs})
install(FILES ${generated}/kestrel-player.1.gz ${generated}/kestrel-site.1.gz DESTINATION share/man/man1)
install(FILES ${generated}/changelog.gz ${desktop_dir}/copyright DESTINATION share/doc/kestrel-player)

# ---- the Debian package ------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel-player)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestrel Player developers <kestrel-player@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "skinned desktop media player with music search and internet radio")
set(CPACK_PACKAGE_DESCRIPTION "Kestrel Player streams and saves the tracks a music search site finds,
plays internet radio in 22 styles and the audio files of a folder, in a
borderless skinned window with a Russian user interface. kestrel-site, its
companion, makes the user's own music folder searchable.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# Installed binaries are stripped; debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)
# The libraries the executables link are found by dpkg-shlibdeps. The audio
# library travels packed inside the player and opens its own when first
# needed (FFmpeg and FluidSynth at the first file, SDL2 at the first sound,
# FFTW at the first spectrum): they are named here, with what the player
# opens at run time rather than links (curl, libjpeg, librsvg, the X11
# shape extension).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libavformat59, libavcodec59, libswresample4, libcurl4, libsdl2-2.0-0, libfftw3-single3, libfluidsynth3, \
libjpeg62-turbo, librsvg2-2, libxcb-shape0, \
fonts-liberation, fonts-crosextra-carlito, timgm6mb-soundfont, \
qt6-translations-l10n, qt6-wayland, libqt6webenginecore6-bin, xdg-user-dirs")
# No ldconfig calls for the private web module (see the script).
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebNoLdconfig.cmake)
include(CPack)
