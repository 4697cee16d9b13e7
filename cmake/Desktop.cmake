# The version record compiled into the window program, the help document beside
# the executable, and the desktop install: FHS tree, launcher, .desktop, icons,
# AppStream metainfo, and a .deb through CPack.
configure_file(${PROJECT_SOURCE_DIR}/cmake/quorlin_version.h.in ${PROJECT_BINARY_DIR}/generated/quorlin_version.h)
target_include_directories(quorlin_framework PRIVATE ${PROJECT_BINARY_DIR}/generated)

# Quorlin.chm is built from resources/help by scripts/build-help.sh (needs chmcmd
# from fp-utils) and committed, so an ordinary build only copies it.
set(QUORLIN_HELP ${PROJECT_SOURCE_DIR}/resources/help/Quorlin.chm)
if(EXISTS ${QUORLIN_HELP})
  # A target of its own: POST_BUILD steps can only be added where quorlin is defined.
  add_custom_target(quorlin_help ALL
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUORLIN_HELP} $<TARGET_FILE_DIR:quorlin>/Quorlin.chm
    VERBATIM)
  add_dependencies(quorlin_help quorlin)
endif()

# Install: the window program and its help together in a private directory,
# reached from bin/ through a launcher; the command-line companion in bin/.
set(QUORLIN_PRIVATE_DIR ${CMAKE_INSTALL_LIBDIR}/quorlin)
install(TARGETS quorlin RUNTIME DESTINATION ${QUORLIN_PRIVATE_DIR})
if(EXISTS ${QUORLIN_HELP})
  install(FILES ${QUORLIN_HELP} DESTINATION ${QUORLIN_PRIVATE_DIR})
endif()
file(RELATIVE_PATH QUORLIN_LAUNCHER_TARGET ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${QUORLIN_PRIVATE_DIR}/quorlin)
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(CREATE_LINK \"${QUORLIN_LAUNCHER_TARGET}\"
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quorlin\" SYMBOLIC)
")

set(QUORLIN_APP_ID org.quorlin.Quorlin)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/${QUORLIN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/${QUORLIN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: the scalable SVG and PNGs rendered from it at build time.
set(QUORLIN_MAIN_ICON ${PROJECT_SOURCE_DIR}/resources/icons/quorlin.svg)
if(EXISTS ${QUORLIN_MAIN_ICON})
  add_executable(quorlin_render_icon ${PROJECT_SOURCE_DIR}/cmake/render_icon.cpp)
  target_link_libraries(quorlin_render_icon PRIVATE Qt6::Gui Qt6::Svg)
  set(QUORLIN_ICON_PNGS)
  foreach(size 16 32 48)
    set(png ${PROJECT_BINARY_DIR}/icons/${size}/${QUORLIN_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}
      COMMAND quorlin_render_icon ${QUORLIN_MAIN_ICON} ${size} ${png}
      DEPENDS quorlin_render_icon ${QUORLIN_MAIN_ICON} VERBATIM)
    list(APPEND QUORLIN_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(quorlin_icons ALL DEPENDS ${QUORLIN_ICON_PNGS})
  install(FILES ${QUORLIN_MAIN_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${QUORLIN_APP_ID}.svg)
endif()

# A .deb: cpack -G DEB in the build directory.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorlin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Atelier Quorlin")
set(CPACK_PACKAGE_CONTACT "Atelier Quorlin <contact@quorlin.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Transpose texte ascii en entité html")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, xdg-utils")
# qt6-wayland: the window runs natively in a Wayland session instead of through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xchm, qt6-translations-l10n, qt6-wayland")
include(CPack)
