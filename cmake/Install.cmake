# What `cmake --install` puts in place: the programs, the desktop entry, the
# icon, the AppStream metainfo, the manual pages (gzipped here: the Debian
# package is made by CPack, which runs no dh_ tools) and the package's
# copyright and changelog.
set(T3208_APP_ID io.github.t3208tool.t3208tool)
set(T3208_HOMEPAGE "https://t3208tool.github.io/" CACHE STRING
    "Home page named by the AppStream metainfo and the package")
set(T3208_SCREENSHOT_URL "${T3208_HOMEPAGE}window.png" CACHE STRING
    "Where the AppStream metainfo's screenshot (docs/window.png) is published")

install(TARGETS t3208tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# t3208-sim needs pseudo-terminals; t3208ctl is installed once it is built here.
foreach(program t3208-sim t3208ctl)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(data ${PROJECT_SOURCE_DIR}/data)
install(FILES ${data}/${T3208_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${data}/${T3208_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/data/${T3208_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/data/${T3208_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${data}/icons/${T3208_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
  install(FILES ${data}/icons/hicolor/${size}x${size}/apps/${T3208_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages: one plain roff source per program in docs/man, gzipped with
# -n so the package's bytes do not depend on the build time.
find_program(T3208_GZIP gzip REQUIRED)
set(man_pages t3208tool)
foreach(program t3208-sim t3208ctl)
  if(TARGET ${program})
    list(APPEND man_pages ${program})
  endif()
endforeach()
set(man_gz)
foreach(page ${man_pages})
  set(src ${PROJECT_SOURCE_DIR}/docs/man/${page}.1)
  set(gz ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${T3208_GZIP} -9nc ${src} > ${gz}
    DEPENDS ${src} VERBATIM)
  list(APPEND man_gz ${gz})
endforeach()

# The package's copyright file and changelog, where Debian keeps them (the
# package is native: changelog.gz).
set(changelog_gz ${PROJECT_BINARY_DIR}/data/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${T3208_GZIP} -9nc ${data}/debian/changelog > ${changelog_gz}
  DEPENDS ${data}/debian/changelog VERBATIM)
add_custom_target(install_data ALL DEPENDS ${man_gz} ${changelog_gz})
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${data}/debian/copyright ${changelog_gz}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/t3208tool)

# Translations: the window's .qm files, when the build makes them as files
# (append their paths to the global property T3208_QM_FILES next to
# qt_add_translations). Files embedded into the programs as resources need no
# rule here.
get_property(qm_files GLOBAL PROPERTY T3208_QM_FILES)
if(qm_files)
  install(FILES ${qm_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/t3208tool/translations)
endif()

# The package test packs what is built: everything installed first.
if(TARGET tst_package)
  add_dependencies(tst_package t3208tool install_data)
  foreach(program t3208-sim t3208ctl)
    if(TARGET ${program})
      add_dependencies(tst_package ${program})
    endif()
  endforeach()
endif()
