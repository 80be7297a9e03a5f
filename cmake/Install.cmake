# Desktop integration and the Debian package. The game installs itself
# (app/) and its data (data/); this file adds what a desktop expects of an
# installed game: menu entry, icons, AppStream metadata and a manual page.

set(TUMBLETOWN_APP_ID org.tumbletown.Tumbletown)
set(release ${PROJECT_SOURCE_DIR}/data/release)

install(FILES ${release}/${TUMBLETOWN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${release}/${TUMBLETOWN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The manual page and the changelog are shipped compressed, as Debian's own
# are; -n keeps the package byte-for-byte repeatable.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(gzipped)
function(tumbletown_gzip source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/release
                     COMMAND ${GZIP_PROGRAM} -9nc ${source} > ${output}
                     DEPENDS ${source}
                     COMMENT "Compressing ${source}")
  set(gzipped ${gzipped} ${output} PARENT_SCOPE)
endfunction()
tumbletown_gzip(${release}/tumbletown.6 ${PROJECT_BINARY_DIR}/release/tumbletown.6.gz)
tumbletown_gzip(${release}/doc/changelog ${PROJECT_BINARY_DIR}/release/changelog.gz)
add_custom_target(release-docs ALL DEPENDS ${gzipped})
install(FILES ${PROJECT_BINARY_DIR}/release/tumbletown.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tumbletown)
install(FILES ${PROJECT_BINARY_DIR}/release/changelog.gz ${release}/doc/copyright DESTINATION ${doc_dir})
install(FILES ${release}/doc/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tumbletown)

set(icon_dir ${PROJECT_BINARY_DIR}/icons)
set(icon_sizes 48 128 256)
set(icon_files)
foreach(size IN LISTS icon_sizes)
  list(APPEND icon_files ${icon_dir}/${size}x${size}.png)
  install(FILES ${icon_dir}/${size}x${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${TUMBLETOWN_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
                   COMMAND make-icons ${icon_dir} ${icon_sizes}
                   DEPENDS make-icons
                   COMMENT "Drawing the application icons")
add_custom_target(icons ALL DEPENDS ${icon_files})

# The score server: its own package, with its manual page, its service and
# its own copy of the copyright file, as Debian wants one in every package.
if(TARGET tumbletown-scores)
  set(server_dir ${PROJECT_SOURCE_DIR}/server)
  install(TARGETS tumbletown-scores RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT scores)
  tumbletown_gzip(${server_dir}/tumbletown-scores.8 ${PROJECT_BINARY_DIR}/release/tumbletown-scores.8.gz)
  add_custom_target(server-docs ALL DEPENDS ${PROJECT_BINARY_DIR}/release/tumbletown-scores.8.gz)
  install(FILES ${PROJECT_BINARY_DIR}/release/tumbletown-scores.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8
          COMPONENT scores)
  install(FILES ${server_dir}/tumbletown-scores.service DESTINATION lib/systemd/system COMPONENT scores)
  install(FILES ${PROJECT_BINARY_DIR}/release/changelog.gz ${release}/doc/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tumbletown-scores COMPONENT scores)
endif()

set(CPACK_PACKAGE_NAME tumbletown)
set(CPACK_PACKAGE_VENDOR "Tumbletown")
set(CPACK_PACKAGE_CONTACT "Tumbletown developers <developers@tumbletown.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "falling-block puzzle game")
# Lines of at most 80 columns, as Debian's tools expect.
set(CPACK_PACKAGE_DESCRIPTION "Figures made of square cells fall into a well; move, turn and drop them\n\
and clear full rows. Four game types, its own skins, music and sound\n\
effects, local high scores and an optional world high-score server.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The game looks its default font up by name at run time; no library names it.
set(CPACK_DEBIAN_GAME_PACKAGE_DEPENDS "fonts-liberation2, fontconfig")
# SDL draws its question boxes on X with the X server's core fonts, and
# without them shows no box at all (the question then counts as answered No).
# Those fonts belong to the X server, which may be another machine's, so
# Debian has them recommended, not required; apt installs them by default.
set(CPACK_DEBIAN_GAME_PACKAGE_RECOMMENDS "xfonts-base")
set(CPACK_STRIP_FILES ON)

# One package per component: the game keeps the settings above; the server
# depends only on what its own binary links (shlibdeps), so no SDL, X11 or
# font package comes with it.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL game)
if(TARGET tumbletown-scores)
  list(APPEND CPACK_COMPONENTS_ALL scores)
endif()
set(CPACK_DEBIAN_GAME_PACKAGE_NAME tumbletown)
set(CPACK_DEBIAN_GAME_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_SCORES_PACKAGE_NAME tumbletown-scores)
set(CPACK_DEBIAN_SCORES_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_SCORES_PACKAGE_SECTION net)
set(CPACK_DEBIAN_GAME_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_SCORES_DESCRIPTION "world high-score server for Tumbletown\n\
Keeps the results that Tumbletown players send and serves the world\n\
high-score page the game opens. SQLite by default; several servers can\n\
share one PostgreSQL database. Comes with a systemd service on port 80.")
include(CPack)
