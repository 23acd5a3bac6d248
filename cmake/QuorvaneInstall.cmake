# `cmake --install`: the program folder (engine, scanner, signature library, GUI and its
# resources) under <prefix>/lib/quorvane/, the commands reachable from <prefix>/bin, and the
# desktop entry, icons, manuals, shell completion and signature sources under <prefix>/share.
#
# The programs find everything beside themselves through their own path (links resolved),
# so <prefix>/bin holds links into the program folder. The "installed-layout" file marks
# the folder as shared by every user: the quarantine then goes to each user's data folder.
include(GNUInstallDirs)

set(QV_INSTALL_PROGRAM_DIR lib/quorvane)
set(QV_INSTALL_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/quorvane)
set(QV_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quorvane)  # the package's name, not the project's
set(QV_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

# ---- the program folder ----------------------------------------------------------------------
set(qv_program_targets SCanVirus quorvane_cli quorvane-scan)
if(TARGET Quorvane)
  list(APPEND qv_program_targets Quorvane)
endif()
foreach(target ${qv_program_targets})
  # The libraries beside the program are found through $ORIGIN, as in build/bin.
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
endforeach()
install(TARGETS ${qv_program_targets}
        RUNTIME DESTINATION ${QV_INSTALL_PROGRAM_DIR}
        LIBRARY DESTINATION ${QV_INSTALL_PROGRAM_DIR} NAMELINK_SKIP)
install(FILES ${QUORVANE_PROGRAM_DIR}/qzmacro.vlb DESTINATION ${QV_INSTALL_PROGRAM_DIR})
if(TARGET Quorvane)
  install(FILES ${QUORVANE_PROGRAM_DIR}/uires.zip DESTINATION ${QV_INSTALL_PROGRAM_DIR})
  install(FILES ${QUORVANE_PROGRAM_DIR}/Translator/lang_cn.xml DESTINATION ${QV_INSTALL_PROGRAM_DIR}/Translator)
endif()
file(WRITE ${PROJECT_BINARY_DIR}/generated/installed-layout
     "This folder is a system-wide install of Quorvane: quarantine copies go to each user's\n"
     "\$XDG_DATA_HOME/quorvane/RepairBrack (default ~/.local/share/quorvane/RepairBrack).\n")
install(FILES ${PROJECT_BINARY_DIR}/generated/installed-layout DESTINATION ${QV_INSTALL_PROGRAM_DIR})

# ---- commands --------------------------------------------------------------------------------
# Self-contained tools go straight to bin; the scanner and the GUI are links into the folder.
install(TARGETS vlbc quorvane-samples RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(qv_links "quorvane-scan=quorvane-scan")
if(TARGET Quorvane)
  list(APPEND qv_links "quorvane=Quorvane")
endif()
foreach(link ${qv_links})
  string(REPLACE "=" ";" parts ${link})
  list(GET parts 0 name)
  list(GET parts 1 target)
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(RELATIVE_PATH to \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
         \"\${CMAKE_INSTALL_PREFIX}/${QV_INSTALL_PROGRAM_DIR}/${target}\")
    message(STATUS \"Installing: \${bin}/${name} -> \${to}\")
    file(CREATE_LINK \"\${to}\" \"\${bin}/${name}\" SYMBOLIC)")
endforeach()

# ---- shared data -----------------------------------------------------------------------------
file(GLOB qv_signature_sources ${PROJECT_SOURCE_DIR}/signatures/*.vls)
install(FILES ${qv_signature_sources} ${PROJECT_SOURCE_DIR}/signatures/README.md
        DESTINATION ${QV_INSTALL_SHARE_DIR}/signatures)
install(FILES ${QV_PACKAGING}/completion/quorvane-scan DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
if(TARGET Quorvane)
  install(FILES ${QV_PACKAGING}/desktop/quorvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${QV_PACKAGING}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons FILES_MATCHING PATTERN "*.png")
endif()

# ---- manuals: compressed at build time, as Debian keeps them ----------------------------------
find_program(QV_GZIP gzip REQUIRED)
set(qv_manuals quorvane.1 quorvane-scan.1 quorvane-samples.1 vlbc.1 vls.5)
set(qv_manual_outputs)
foreach(page ${qv_manuals})
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section ${page})
  set(out ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
                     COMMAND sh -c "${QV_GZIP} -9nc \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/doc/man/${page} ${out}
                     DEPENDS ${PROJECT_SOURCE_DIR}/doc/man/${page}
                     VERBATIM)
  list(APPEND qv_manual_outputs ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(manuals ALL DEPENDS ${qv_manual_outputs})

# ---- Debian documentation files (the package's copyright and changelog) ----------------------
set(qv_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${qv_changelog}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
                   COMMAND sh -c "${QV_GZIP} -9nc \"$0\" > \"$1\"" ${QV_PACKAGING}/debian/changelog ${qv_changelog}
                   DEPENDS ${QV_PACKAGING}/debian/changelog
                   VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${qv_changelog})
install(FILES ${QV_PACKAGING}/debian/copyright ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${QV_INSTALL_DOC_DIR})
install(FILES ${qv_changelog} DESTINATION ${QV_INSTALL_DOC_DIR} RENAME changelog.gz)

include(${PROJECT_SOURCE_DIR}/cmake/QuorvanePackage.cmake)
