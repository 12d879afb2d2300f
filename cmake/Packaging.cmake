# What `cmake --install` puts on a system, and the Debian package made from it
# (`cmake --build --preset release --target package`). Only the programs,
# their desktop files and their documentation are installed: tests,
# benchmarks and the artwork tools stay in the build folder whether they were
# built or not.
include(GNUInstallDirs)

# The web edition, built by scripts/build-web.sh (npm and Emscripten, which
# this build does not run). Looked for when installing, not when configuring,
# so that a page built later goes in too and a missing one stops the package
# with a word on how to build it, before anything is copied.
set(MOX_WEB_PAGE ${PROJECT_SOURCE_DIR}/build/web/mox77.html)
install(CODE "
  if(NOT EXISTS \"${MOX_WEB_PAGE}\")
    message(FATAL_ERROR \"The web edition ${MOX_WEB_PAGE} is not built: \"
      \"run scripts/build-web.sh, then build the package again.\")
  endif()")
install(FILES ${MOX_WEB_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/mox77)

set(MOX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(MOX_ICON_DIR ${PROJECT_SOURCE_DIR}/emulator/ui/resources/icons/hicolor)

install(TARGETS zerlant emurun mox77-grade RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Manual pages to write (below); each desktop program adds its own.
set(mox_pages zerlant emurun mox77-grade)

if(MOX_BUILD_GUI)
  # A bare `editor` in /usr/bin would take the place of Debian's editor
  # alternative, and a bare `emulator` says nothing, so both get the suite's
  # name. The editor still finds zerlant beside itself.
  foreach(program emulator editor)
    install(PROGRAMS $<TARGET_FILE:${program}> DESTINATION ${CMAKE_INSTALL_BINDIR}
            RENAME mox77-${program})
    # install(PROGRAMS) never strips; install(TARGETS) would, but cannot rename.
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\"
          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/mox77-${program}\")
      endif()")
    install(FILES ${MOX_PACKAGING_DIR}/mox77-${program}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    list(APPEND mox_pages mox77-${program})
  endforeach()
  install(FILES ${MOX_PACKAGING_DIR}/org.mox77.mox77.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The program icon stands for .8xe files too, under the name the MIME type asks for.
install(FILES ${MOX_PACKAGING_DIR}/mox77.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
file(GLOB mox_icons RELATIVE ${MOX_ICON_DIR} CONFIGURE_DEPENDS ${MOX_ICON_DIR}/*/apps/mox77.*)
foreach(icon IN LISTS mox_icons)
  string(REGEX REPLACE "/apps/mox77(\\.[a-z]+)$" "" size ${icon})
  set(ext ${CMAKE_MATCH_1})
  install(FILES ${MOX_ICON_DIR}/${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
  install(FILES ${MOX_ICON_DIR}/${icon}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/mimetypes
          RENAME application-x-mox77-program${ext})
endforeach()

# Manual pages: scdoc sources, compressed roff at build time.
find_program(SCDOC_EXECUTABLE scdoc REQUIRED)
set(mox_man_files)
foreach(page IN LISTS mox_pages)
  set(source ${MOX_PACKAGING_DIR}/man/${page}.1.scd)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND sh -c "\"$0\" < \"$1\" | gzip -9n > \"$2\"" ${SCDOC_EXECUTABLE} ${source} ${output}
    DEPENDS ${source}
    COMMENT "Writing the manual page ${page}(1)"
    VERBATIM)
  list(APPEND mox_man_files ${output})
endforeach()
add_custom_target(mox_man_pages ALL DEPENDS ${mox_man_files})
install(FILES ${mox_man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian wants the changelog compressed and both it and the copyright in the
# package's documentation folder.
set(mox_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${mox_changelog}
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${MOX_PACKAGING_DIR}/changelog ${mox_changelog}
  DEPENDS ${MOX_PACKAGING_DIR}/changelog
  VERBATIM)
add_custom_target(mox_changelog ALL DEPENDS ${mox_changelog})
install(FILES ${MOX_PACKAGING_DIR}/copyright ${mox_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
file(GLOB mox_examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.asm)
install(FILES ${mox_examples} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
# The graded exercises keep their folders; only what a teacher hands out goes
# in, not a .8xe someone assembled in the source tree.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/exercises DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        FILES_MATCHING PATTERN "*.md" PATTERN "*.asm" PATTERN "*.json")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mox77)
set(CPACK_PACKAGE_VENDOR "The MOX77 developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "register machine toolkit for learning how machine code runs")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "MOX77 models a register machine with sixteen 32-bit registers, 256 data
cells and fifteen instructions without jumps, so every program runs
straight through. The package holds the assembler zerlant, the desktop
emulator and editor (mox77-emulator, mox77-editor), emurun, which runs
programs without a desktop and prints the machine's state as text or JSON,
and mox77-grade, which grades a folder of submissions against an expected
state, with graded exercises for a course.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
    "The MOX77 developers <maintainers@users.noreply.c-seed-f5e939c3.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The emulator draws its windows in Arial, which Liberation Sans stands in for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation2)
# Build in the editor runs zerlant in a terminal window.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xterm | x-terminal-emulator")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git(/|$)" "/build/")
include(CPack)
