# The version record compiled into the window program, the help document beside
# the executable, and the desktop install: FHS tree, launcher, .desktop, icons,
# AppStream metainfo, and a .deb through CPack.
configure_file(${PROJECT_SOURCE_DIR}/cmake/quorlin_version.h.in ${PROJECT_BINARY_DIR}/generated/quorlin_version.h)
target_include_directories(quorlin_framework PRIVATE ${PROJECT_BINARY_DIR}/generated)

# Quorlin.chm is built from resources/help by scripts/build-help.sh (needs chmcmd
# from fp-utils) and committed, so an ordinary build only copies it.
set(QUORLIN_HELP ${PROJECT_SOURCE_DIR}/resources/help/Quorlin.chm)
if(EXISTS ${QUORLIN_HELP})
  add_custom_command(TARGET quorlin POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUORLIN_HELP} $<TARGET_FILE_DIR:quorlin>/Quorlin.chm
    VERBATIM)
endif()
