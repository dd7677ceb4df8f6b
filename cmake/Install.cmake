# Desktop integration (entry, MIME type, AppStream data, icons) and the Debian
# package. Destinations stay relative so that the same rules serve a staging
# prefix, /usr/local and the package.

set(BRIMSETT_APP_ID org.brimsett.Brimsett)
set(BRIMSETT_DATA ${PROJECT_SOURCE_DIR}/data)

# The editor reads its reference lists from the working directory, so the
# entry starts it in the folder of the installed lists. The prefix is known
# only when installing (a staging prefix, or the package's /usr).
set(BRIMSETT_LISTS_DIR ${CMAKE_INSTALL_DATADIR}/brimsett)
install(FILES ${PROJECT_SOURCE_DIR}/examples/list_of_country.txt
              ${PROJECT_SOURCE_DIR}/examples/list_of_currency.txt
              ${PROJECT_SOURCE_DIR}/examples/list_of_language.txt
        DESTINATION ${BRIMSETT_LISTS_DIR})
set(BRIMSETT_ENTRY ${CMAKE_BINARY_DIR}/install/${BRIMSETT_APP_ID}.desktop)
install(CODE "
  file(READ \"${BRIMSETT_DATA}/${BRIMSETT_APP_ID}.desktop\" Entry)
  get_filename_component(Lists \"${BRIMSETT_LISTS_DIR}\" ABSOLUTE BASE_DIR \"\${CMAKE_INSTALL_PREFIX}\")
  file(WRITE \"${BRIMSETT_ENTRY}\" \"\${Entry}Path=\${Lists}\\n\")
")
install(FILES ${BRIMSETT_ENTRY} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${BRIMSETT_DATA}/${BRIMSETT_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${BRIMSETT_DATA}/${BRIMSETT_APP_ID}.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# The theme looks icons up by name: the application id, and the MIME type with
# '/' turned into '-'.
install(FILES ${BRIMSETT_DATA}/icons/brimsett.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${BRIMSETT_APP_ID}.svg)
install(FILES ${BRIMSETT_DATA}/icons/brimsett-document.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
        RENAME application-x-brimsett-set.svg)
install(FILES ${BRIMSETT_DATA}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${BRIMSETT_DATA}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME brimsett)

# Man pages and the Debian changelog carry the project's version and are
# installed compressed, as Debian wants them: gzip -n stores no name or time,
# so the package stays the same from build to build.
find_program(BRIMSETT_GZIP gzip REQUIRED)
set(BRIMSETT_COMPRESSED "")
function(brimsett_compressed Source Name Destination)
  set(Plain ${CMAKE_BINARY_DIR}/install/${Name})
  configure_file(${Source} ${Plain} @ONLY)
  add_custom_command(OUTPUT ${Plain}.gz COMMAND ${BRIMSETT_GZIP} -9nkf ${Plain}
                     DEPENDS ${Plain} VERBATIM)
  install(FILES ${Plain}.gz DESTINATION ${Destination})
  set(BRIMSETT_COMPRESSED ${BRIMSETT_COMPRESSED} ${Plain}.gz PARENT_SCOPE)
endfunction()
string(TIMESTAMP BRIMSETT_MAN_DATE "%B %Y" UTC)
brimsett_compressed(${PROJECT_SOURCE_DIR}/man/brimsett.1 brimsett.1 ${CMAKE_INSTALL_MANDIR}/man1)
brimsett_compressed(${PROJECT_SOURCE_DIR}/tool/brimsett-tool.1 brimsett-tool.1
                    ${CMAKE_INSTALL_MANDIR}/man1)
brimsett_compressed(${BRIMSETT_DATA}/changelog.Debian changelog.Debian ${CMAKE_INSTALL_DOCDIR})
add_custom_target(brimsett_compressed ALL DEPENDS ${BRIMSETT_COMPRESSED})
# Whatever builds the programs builds what installing them needs.
add_dependencies(brimsett brimsett_compressed)

# --- Debian package -----------------------------------------------------------
# The caches for MIME types, desktop entries and icons are refreshed by the
# dpkg triggers of shared-mime-info, desktop-file-utils and the icon theme, so
# the package needs no maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brimsett)
set(CPACK_PACKAGE_VENDOR "Brimsett developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for collections of property sets")
set(CPACK_PACKAGE_DESCRIPTION
    "Brimsett edits collections of property sets. A set is meant for one\n\
language and one country and holds items, each with a detail level, a\n\
default flag, an approximate price with its currency and a date. All sets\n\
of a document are kept in one XML set file (.vsxml). A test view filters\n\
the sets by language, country and detail level and exports the chosen\n\
items as tab-separated text. The interface is in Russian.\n\
.\n\
brimsett-tool checks set files, converts them between regional settings\n\
and writes the test view's export from the command line.")
set(CPACK_PACKAGE_HOMEPAGE_URL https://brimsett.org)
set(CPACK_PACKAGE_CONTACT "Brimsett developers <dev@brimsett.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
# The desktop entry names its installed folder, so the package is installed
# under its real prefix into a DESTDIR rather than under a staging prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${CPACK_PACKAGING_INSTALL_PREFIX})

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brimsett developers <dev@brimsett.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://brimsett.org)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A Debian revision: the package is not native, so its changelog is
# changelog.Debian (data/changelog.Debian, whose version must match).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the SVG image plugin at run time, so dpkg-shlibdeps cannot see it;
# without it the window and file icons stay blank. Qt's own texts (file
# dialogs, buttons) come in Russian only with its translations installed.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-translations-l10n")
# In a Wayland session (GNOME, Plasma) Qt draws a native Wayland window only
# with its Wayland plugin, sharp at the session's scale; without it the editor
# still runs, through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)
