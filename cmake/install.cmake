# One program directory holds the programs, the core and stand-in libraries,
# faxrcp.ini, the language files and the manual: the program finds all of
# them beside itself. The commands are reachable on the PATH through links.
include(GNUInstallDirs)
set(FAXRCP_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/faxrcp)

foreach(target faxrcp faxrcp-cli faxrcp-sim faxrcp_platform faxrcp_core faxrcp_sim faxrcp_tirusb faxrcp_vexlink)
    if(TARGET ${target})
        get_target_property(kind ${target} TYPE)
        if(NOT kind STREQUAL "STATIC_LIBRARY")
            install(TARGETS ${target}
                    RUNTIME DESTINATION ${FAXRCP_INSTALL_DIR}
                    LIBRARY DESTINATION ${FAXRCP_INSTALL_DIR})
        endif()
    endif()
endforeach()

# Resources are laid out in the build's program folder by their own rules.
install(DIRECTORY ${FAXRCP_BIN_DIR}/ DESTINATION ${FAXRCP_INSTALL_DIR}
        FILES_MATCHING PATTERN "*.ini" PATTERN "*.lng" PATTERN "*.html" PATTERN "*.htm"
        PATTERN "*.png" PATTERN "*.svg" PATTERN "*.css"
        PATTERN "CMakeFiles" EXCLUDE)

foreach(program faxrcp faxrcp-cli faxrcp-sim)
    if(TARGET ${program})
        install(CODE "
            file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
            execute_process(COMMAND \${CMAKE_COMMAND} -E create_symlink
                ../${FAXRCP_INSTALL_DIR}/${program}
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")")
    endif()
endforeach()

set(FAXRCP_RESOURCES ${PROJECT_SOURCE_DIR}/src/resources)
install(FILES ${FAXRCP_RESOURCES}/faxrcp.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The window's own icon is the desktop entry's icon.
install(FILES ${FAXRCP_RESOURCES}/art/icon101.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME faxrcp.svg)
# udev reads its rules from /usr/lib/udev whatever the prefix.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(FAXRCP_UDEV_DIR /usr/lib/udev/rules.d)
else()
    set(FAXRCP_UDEV_DIR ${CMAKE_INSTALL_LIBDIR}/udev/rules.d)
endif()
install(FILES ${FAXRCP_RESOURCES}/70-faxrcp.rules DESTINATION ${FAXRCP_UDEV_DIR})

# Debian package: cmake --build build --target package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME faxrcp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "faxrcp developers <faxrcp@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Remote control panel for fax multifunction laser printers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Reads and writes the copy, print and fax settings of a fax multifunction laser printer\n on USB or the parallel port, edits its fax phonebook, shows its versions and counters\n and sends it new firmware.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own buttons and file dialogs in the panel's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/postinst)
include(CPack)
