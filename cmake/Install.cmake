# Where `cmake --install` (and the Debian package, built from the same rules) puts the game:
# the places a Debian game uses. With the default prefix /usr:
#   /usr/games/tavrel                    the launcher players start (menu, terminal)
#   /usr/games/tavrel-map, tavrel-bot    the map authors' tool and the headless players
#   /usr/games/tavrel-server             the server (Debian keeps a game's server with its games,
#                                        as wesnothd and freeciv-server do)
#   /usr/libexec/tavrel/tavrel           the client itself, which must start in a game folder
#   /usr/share/games/tavrel/             maps, tile set, sprites, font, chat panel
#   /usr/share/{applications,icons,metainfo,man/man6}, /usr/lib/systemd/system, /etc/default
include(GNUInstallDirs)

set(TAVREL_INSTALL_GAMESDIR games CACHE STRING "Programs players and hosts start, below the prefix")
set(TAVREL_INSTALL_LIBEXECDIR ${CMAKE_INSTALL_LIBEXECDIR}/tavrel)
set(TAVREL_INSTALL_DATADIR ${CMAKE_INSTALL_DATAROOTDIR}/games/tavrel)
file(RELATIVE_PATH TAVREL_LAUNCHER_TO_PREFIX /prefix/${TAVREL_INSTALL_GAMESDIR} /prefix)
# Directories made by the install are world-readable whatever the umask of whoever builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(gen ${CMAKE_BINARY_DIR}/install)
configure_file(${CMAKE_SOURCE_DIR}/platform/tavrel-launcher.in ${gen}/tavrel @ONLY)

install(TARGETS tavrel RUNTIME DESTINATION ${TAVREL_INSTALL_LIBEXECDIR})
install(FILES platform/player-name.sh DESTINATION ${TAVREL_INSTALL_LIBEXECDIR})
install(PROGRAMS ${gen}/tavrel DESTINATION ${TAVREL_INSTALL_GAMESDIR})
install(TARGETS tavrel-server RUNTIME DESTINATION ${TAVREL_INSTALL_GAMESDIR})
# Map authors' tool and the headless players, beside the game.
install(TARGETS tavrel-map tavrel-bot RUNTIME DESTINATION ${TAVREL_INSTALL_GAMESDIR})
# Every user has a client.cfg of their own, which the launcher writes; the icons go to the theme.
install(DIRECTORY resources/ DESTINATION ${TAVREL_INSTALL_DATADIR}
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    PATTERN client.cfg EXCLUDE PATTERN icons EXCLUDE)

# The sizes are whatever the art generator drew (tools/artgen/icon.h).
file(GLOB icons RELATIVE ${CMAKE_SOURCE_DIR}/resources/icons ${CMAKE_SOURCE_DIR}/resources/icons/tavrel-*.png)
foreach(icon IN LISTS icons)
    string(REGEX REPLACE "^tavrel-([0-9]+)\\.png$" "\\1" size ${icon})
    install(FILES resources/icons/${icon}
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps RENAME tavrel.png)
endforeach()
install(FILES platform/tavrel.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES packaging/org.quennick.tavrel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

# Man pages compressed as Debian ships them; -n keeps the bytes free of a time stamp.
set(man_pages "")
foreach(page tavrel.6 tavrel-server.6 tavrel-map.6 tavrel-bot.6)
    add_custom_command(OUTPUT ${gen}/${page}.gz
        COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/docs/man/${page} > ${gen}/${page}.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page} VERBATIM)
    list(APPEND man_pages ${gen}/${page}.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# The host's side: the unit and the one file of options it reads. Their paths depend on the
# prefix the install runs with, which CPack sets to /usr whatever the build was configured for,
# so they are written at install time.
configure_file(cmake/InstallService.cmake.in ${gen}/InstallService.cmake @ONLY)
install(SCRIPT ${gen}/InstallService.cmake)
