# Run by CPack once the .deb is built (CPACK_POST_BUILD_SCRIPTS).
#
# CPack's DEB generator writes a postinst and a postrm that run ldconfig
# whenever a shared object lies anywhere under /usr/lib. Our only one is the
# web module in /usr/lib/kestrel-player, a private folder the dynamic loader
# never searches (the player opens the module by its path), so the call does
# nothing but cost time at every install and removal. The package is built
# again without those scripts when they hold nothing else.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb -R ${deb} ${tree} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-deb could not unpack ${deb}")
  endif()
  set(changed FALSE)
  foreach(script postinst postrm)
    set(path ${tree}/DEBIAN/${script})
    if(NOT EXISTS ${path})
      continue()
    endif()
    file(READ ${path} text)
    # What remains once the interpreter line, `set -e`, the ldconfig call and
    # the test around it are taken out.
    string(REGEX REPLACE "#![^\n]*|set -e|if \\[ \"\\$1\" = \"[a-z]+\" \\]; then|ldconfig|fi|[ \t\n]" "" rest "${text}")
    if(rest STREQUAL "")
      file(REMOVE ${path})
      set(changed TRUE)
    endif()
  endforeach()
  if(changed)
    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build ${tree} ${deb}
                    OUTPUT_QUIET RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "dpkg-deb could not build ${deb} again")
    endif()
  endif()
  file(REMOVE_RECURSE ${tree})
endforeach()
