# Installation, and the Debian packages: cmake --build build --target package
#
# One program directory, lib/faxrcp under the prefix, holds the programs, the
# core and stand-in libraries, faxrcp.ini and the language files: the programs
# find all of them beside themselves. It is private to the programs, so it is
# the same on every architecture (no multiarch folder). The commands reach the
# PATH through links in bin.
#
# Two components, one package each: "panel" (package faxrcp: the panel,
# faxrcp-cli and everything they load) and "sim" (package faxrcp-sim: the
# simulated machine, which only tests and demonstrations want, so a plain
# cmake --install leaves it out; --component sim installs it).
include(GNUInstallDirs)
set(FAXRCP_INSTALL_DIR lib/faxrcp)
set(FAXRCP_PANEL COMPONENT panel)
set(FAXRCP_SIM COMPONENT sim EXCLUDE_FROM_ALL)
set(FAXRCP_SIM_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/faxrcp-sim)
set(FAXRCP_RESOURCES ${PROJECT_SOURCE_DIR}/src/resources)
set(FAXRCP_STAGE ${CMAKE_BINARY_DIR}/install-files)

# A placeholder lintian accepts (example.org is reserved for examples); set the
# real one when building packages for others.
set(FAXRCP_MAINTAINER "faxrcp maintainers <faxrcp@example.org>"
    CACHE STRING "Maintainer of the Debian packages, as: Name <address>")
# The Debian revision: the packages are version PROJECT_VERSION-FAXRCP_DEB_RELEASE.
set(FAXRCP_DEB_RELEASE 1 CACHE STRING "Debian revision of the packages")
set(FAXRCP_DEB_VERSION ${PROJECT_VERSION}-${FAXRCP_DEB_RELEASE})

# Programs and libraries.
foreach(target faxrcp faxrcp-cli faxrcp-bridge faxrcp-sim faxrcp_platform faxrcp_core faxrcp_tirusb faxrcp_vexlink)
    if(TARGET ${target})
        if(target STREQUAL "faxrcp-sim")
            set(component ${FAXRCP_SIM})
        else()
            set(component ${FAXRCP_PANEL})
        endif()
        install(TARGETS ${target}
                RUNTIME DESTINATION ${FAXRCP_INSTALL_DIR} ${component}
                LIBRARY DESTINATION ${FAXRCP_INSTALL_DIR} ${component})
    endif()
endforeach()
get_property(program_files GLOBAL PROPERTY FAXRCP_PROGRAM_FILES)
install(FILES ${program_files} DESTINATION ${FAXRCP_INSTALL_DIR} ${FAXRCP_PANEL})

# Links are made in the build tree and installed as files, so that the
# install manifest (and so an uninstall) knows them.
function(faxrcp_install_link name from_dir to_path)
    file(RELATIVE_PATH target ${CMAKE_INSTALL_PREFIX}/${from_dir} ${CMAKE_INSTALL_PREFIX}/${to_path})
    set(link ${FAXRCP_STAGE}/links/${from_dir}/${name})
    get_filename_component(link_dir ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${link_dir})
    file(REMOVE ${link})
    file(CREATE_LINK ${target} ${link} SYMBOLIC)
    install(FILES ${link} DESTINATION ${from_dir} ${ARGN})
endfunction()
foreach(program faxrcp faxrcp-cli faxrcp-bridge faxrcp-sim)
    if(TARGET ${program})
        if(program STREQUAL "faxrcp-sim")
            set(component ${FAXRCP_SIM})
        else()
            set(component ${FAXRCP_PANEL})
        endif()
        faxrcp_install_link(${program} ${CMAKE_INSTALL_BINDIR} ${FAXRCP_INSTALL_DIR}/${program}
                            ${component})
    endif()
endforeach()

# The manual and its translations (faxrcp.<language>.html) are documentation;
# the panel's Help opens them beside the program.
file(GLOB manuals CONFIGURE_DEPENDS ${FAXRCP_RESOURCES}/faxrcp*.html)
foreach(manual ${manuals})
    get_filename_component(name ${manual} NAME)
    install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_DOCDIR} ${FAXRCP_PANEL})
    faxrcp_install_link(${name} ${FAXRCP_INSTALL_DIR} ${CMAKE_INSTALL_DOCDIR}/${name} ${FAXRCP_PANEL})
endforeach()
# Its doc-base entry names it by its absolute path, known only when
# installing (the packages install under /usr whatever the build's prefix).
# One folder per destination, so that installs running at once (a test, a
# package) do not write the same file.
install(CODE "
    set(manual \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}/faxrcp.html\")
    string(MD5 where \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/doc-base.in
                   ${FAXRCP_STAGE}/doc-base/\${where}/faxrcp-manual @ONLY)
    file(INSTALL ${FAXRCP_STAGE}/doc-base/\${where}/faxrcp-manual
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/doc-base\")"
    ${FAXRCP_PANEL})

# Compressed at build time, reproducibly (no name, no time stamp).
find_program(FAXRCP_GZIP gzip REQUIRED)
set(FAXRCP_GENERATED)
function(faxrcp_gzip source output)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DGZIP=${FAXRCP_GZIP} -DIN=${source} -DOUT=${output}
                -P ${PROJECT_SOURCE_DIR}/cmake/gzip.cmake
        DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/gzip.cmake
        VERBATIM)
    set(FAXRCP_GENERATED ${FAXRCP_GENERATED} ${output} PARENT_SCOPE)
endfunction()

# Manual pages, gathered in the build's man folder: faxrcp-cli's and its bash
# completion get their field lists from the record registry
# (faxrcp_field_lists), the others are copied as they are.
set(FAXRCP_MAN_DIR ${CMAKE_BINARY_DIR}/man)
function(faxrcp_field_lists kind template output)
    get_filename_component(folder ${output} DIRECTORY)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND faxrcp_field_lists ${kind} ${template} ${output}
        DEPENDS faxrcp_field_lists ${template}
        VERBATIM)
    set(FAXRCP_GENERATED ${FAXRCP_GENERATED} ${output} PARENT_SCOPE)
endfunction()
if(TARGET faxrcp-cli)
    faxrcp_field_lists(man ${PROJECT_SOURCE_DIR}/man/faxrcp-cli.1.in ${FAXRCP_MAN_DIR}/faxrcp-cli.1)
    set(completion ${FAXRCP_STAGE}/bash-completion/faxrcp-cli)
    faxrcp_field_lists(bash ${PROJECT_SOURCE_DIR}/src/cli/faxrcp-cli.bash-completion.in ${completion})
    install(FILES ${completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
            ${FAXRCP_PANEL})
endif()
foreach(page faxrcp faxrcp-bridge faxrcp-sim)
    configure_file(${PROJECT_SOURCE_DIR}/man/${page}.1 ${FAXRCP_MAN_DIR}/${page}.1 COPYONLY)
endforeach()
foreach(page faxrcp faxrcp-cli faxrcp-bridge faxrcp-sim)
    if(NOT TARGET ${page})
        continue()
    endif()
    set(gz ${FAXRCP_STAGE}/man/${page}.1.gz)
    faxrcp_gzip(${FAXRCP_MAN_DIR}/${page}.1 ${gz})
    if(page STREQUAL "faxrcp-sim")
        set(component ${FAXRCP_SIM})
    else()
        set(component ${FAXRCP_PANEL})
    endif()
    install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 ${component})
endforeach()

# Desktop menu entry, AppStream metadata and the icon (the window's own icon,
# as drawn and in the sizes menus and software centres ask for): only with
# the panel.
if(TARGET faxrcp)
    install(FILES ${FAXRCP_RESOURCES}/faxrcp.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
            ${FAXRCP_PANEL})
    install(FILES ${FAXRCP_RESOURCES}/org.example.faxrcp.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo ${FAXRCP_PANEL})
    install(FILES ${FAXRCP_RESOURCES}/art/icon101.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME faxrcp.svg
            ${FAXRCP_PANEL})
    find_program(FAXRCP_RSVG_CONVERT rsvg-convert)
    if(FAXRCP_RSVG_CONVERT)
        foreach(size 48 64 128)
            set(png ${FAXRCP_STAGE}/icons/${size}x${size}/faxrcp.png)
            add_custom_command(
                OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${FAXRCP_STAGE}/icons/${size}x${size}
                COMMAND ${FAXRCP_RSVG_CONVERT} --width=${size} --height=${size} --format=png
                        --output=${png} ${FAXRCP_RESOURCES}/art/icon101.svg
                DEPENDS ${FAXRCP_RESOURCES}/art/icon101.svg
                VERBATIM)
            list(APPEND FAXRCP_GENERATED ${png})
            install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                    ${FAXRCP_PANEL})
        endforeach()
    else()
        message(WARNING "rsvg-convert not found (librsvg2-bin): no PNG icons are installed")
    endif()
endif()

# udev reads /usr/lib/udev/rules.d: with the prefix /usr, the rule is found
# (never the multiarch libdir).
install(FILES ${FAXRCP_RESOURCES}/70-faxrcp.rules DESTINATION lib/udev/rules.d ${FAXRCP_PANEL})

# Each package's copyright (machine-readable, from LICENSE) and Debian changelog.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
# The terms only: the title and the copyright line have fields of their own.
string(FIND "${license}" "Permission is hereby granted" terms)
string(SUBSTRING "${license}" ${terms} -1 license)
string(REGEX REPLACE "\n+$" "" license "${license}")
string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " FAXRCP_LICENSE_TEXT "${license}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${FAXRCP_STAGE}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${FAXRCP_STAGE}/changelog.Debian @ONLY)
faxrcp_gzip(${FAXRCP_STAGE}/changelog.Debian ${FAXRCP_STAGE}/changelog.Debian.gz)
install(FILES ${FAXRCP_STAGE}/copyright ${FAXRCP_STAGE}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} ${FAXRCP_PANEL})
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME faxrcp ${FAXRCP_PANEL})
if(TARGET faxrcp-sim)
    install(FILES ${FAXRCP_STAGE}/copyright ${FAXRCP_STAGE}/changelog.Debian.gz
            DESTINATION ${FAXRCP_SIM_DOCDIR} ${FAXRCP_SIM})
    install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME faxrcp-sim ${FAXRCP_SIM})
endif()

add_custom_target(faxrcp_install_files ALL DEPENDS ${FAXRCP_GENERATED})

# Debian packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME faxrcp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${FAXRCP_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debug information stays out of the packages.
set(CPACK_STRIP_FILES ON)
set(CPACK_FAXRCP_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/strip.cmake)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL panel)
if(TARGET faxrcp-sim)
    list(APPEND CPACK_COMPONENTS_ALL sim)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${FAXRCP_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SOURCE faxrcp)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# faxrcp-sim loads the platform library of the faxrcp package, staged beside
# its own files (dpkg-shlibdeps runs in the package's staging folder).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ../panel/usr/${FAXRCP_INSTALL_DIR})

set(CPACK_DEBIAN_PANEL_PACKAGE_NAME faxrcp)
# Qt's own buttons and file dialogs in the panel's language.
set(CPACK_DEBIAN_PANEL_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
# A machine on another computer is reached over ssh; that computer runs sshd.
set(CPACK_DEBIAN_PANEL_PACKAGE_SUGGESTS "openssh-client, openssh-server")
set(CPACK_DEBIAN_PANEL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PANEL_DESCRIPTION
"remote control panel for fax multifunction laser printers
faxrcp reads and writes the copy, print and fax settings of a fax
multifunction laser printer attached by USB or by the parallel port, edits
the machine's fax phonebook (speed dials and group dials), shows its versions
and usage counters, and sends it new firmware.

The package holds the windowed panel, faxrcp, and the command-line tool
faxrcp-cli, which does the same from a terminal or a script. A udev rule lets
the user at the desk open the machine without root. With faxrcp-bridge, both
reach a machine attached to another computer over ssh.")
set(CPACK_DEBIAN_PANEL_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/cmake/debian/postinst ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)

set(CPACK_DEBIAN_SIM_PACKAGE_NAME faxrcp-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_SIM_PACKAGE_DEPENDS "faxrcp (= ${FAXRCP_DEB_VERSION})")
# The first package, 1.0.0, held the simulator itself.
set(CPACK_DEBIAN_SIM_PACKAGE_BREAKS "faxrcp (<< 1.0.0-1)")
set(CPACK_DEBIAN_SIM_PACKAGE_REPLACES "faxrcp (<< 1.0.0-1)")
set(CPACK_DEBIAN_SIM_DESCRIPTION
"simulated fax multifunction printer for testing faxrcp
faxrcp-sim serves a simulated fax multifunction laser printer on a Unix
socket; faxrcp and faxrcp-cli talk to it as to a machine on USB or on the
parallel port. It keeps the machine's records and phonebook in a file, takes
firmware images, and can be told to misbehave (stay silent, cut or spoil its
answers, answer late) to show how the programs cope.

Only testers and developers need it: the panel does not.")
include(CPack)
