# Install layout and the Debian package (cpack -G DEB).
#
# q3config looks for its language module and the privileged-mode marker beside its own program
# file (after resolving symlinks), so the program and its module share a private program
# directory, <libdir>/q3config; bindir only holds a relative symlink to the program, which keeps
# the tree relocatable (cmake --install --prefix, DESTDIR, the package's staging tree).
include(GNUInstallDirs)

set(Q3_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/q3config)
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    message(FATAL_ERROR "CMAKE_INSTALL_BINDIR and CMAKE_INSTALL_LIBDIR must be relative to the "
                        "prefix: bin/q3config is a relative link into the program directory")
endif()

install(TARGETS q3cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET q3sim)
    install(TARGETS q3sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Manual pages, compressed as Debian ships them (gzip -n: no time stamp, so the package is the
# same for the same sources).
find_program(Q3_GZIP gzip REQUIRED)
set(Q3_MAN_PAGES)
foreach(page q3config q3cli q3sim)
    if(NOT TARGET ${page})
        continue()
    endif()
    set(man ${CMAKE_BINARY_DIR}/man/${page}.1)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/${page}.1.in ${man} @ONLY)
    execute_process(COMMAND ${Q3_GZIP} -9 -n -c ${man} OUTPUT_FILE ${man}.gz
                    RESULT_VARIABLE gzip_result)
    if(NOT gzip_result EQUAL 0)
        message(FATAL_ERROR "gzip ${man} failed: ${gzip_result}")
    endif()
    list(APPEND Q3_MAN_PAGES ${man}.gz)
endforeach()
install(FILES ${Q3_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The user guide (q3config's F1 finds it from its own directory) and q3cli's completion.
set(Q3_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/q3config)
install(FILES ${PROJECT_SOURCE_DIR}/docs/user-guide.md DESTINATION ${Q3_DOC_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${Q3_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/q3cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME q3cli)

if(TARGET q3config)
    install(TARGETS q3config RUNTIME DESTINATION ${Q3_PROGRAM_DIR})
    install(TARGETS q3config_jpn LIBRARY DESTINATION ${Q3_PROGRAM_DIR})
    install(TARGETS q3certificate RUNTIME DESTINATION ${Q3_PROGRAM_DIR})

    file(RELATIVE_PATH Q3_PROGRAM_LINK "/${CMAKE_INSTALL_BINDIR}" "/${Q3_PROGRAM_DIR}/q3config")
    install(CODE "
        set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/q3config\")
        message(STATUS \"Installing: \${link} -> ${Q3_PROGRAM_LINK}\")
        get_filename_component(dir \"\${link}\" DIRECTORY)
        file(MAKE_DIRECTORY \"\${dir}\")
        file(CREATE_LINK \"${Q3_PROGRAM_LINK}\" \"\${link}\" SYMBOLIC)
        list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${link}\")
    ")

    install(FILES ${PROJECT_SOURCE_DIR}/packaging/q3config.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # Parameter files open in q3config from a file manager (dpkg's triggers update the caches).
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/q3config-mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME q3config.xml)
    foreach(size 16 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/q3config_${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME q3config.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/q3config.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME q3config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Q3 Configurator developers")
set(CPACK_PACKAGE_CONTACT "Q3 Configurator developers <q3config@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for Q3 signal-conditioning transmitters")
# The long text of the package; CPack puts the summary line in front of it.
set(CPACK_PACKAGE_DESCRIPTION
    "${Q3_PRODUCT_NAME} reads, edits, compares and writes the settings of Q3
transmitters over a serial port (Modbus RTU) or Modbus TCP, keeps them in
parameter files, shows live values as meters and a trend graph and
fine-adjusts inputs and outputs. q3cli offers the file and device operations
on the command line; q3sim simulates a transmitter for trying both without
hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps (dpkg-dev). The Japanese texts need a font with
# Japanese glyphs, and Qt's own dialog texts in Japanese come from Qt's translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-translations-l10n")
include(CPack)
