# `cmake --build build-win --target corvane_setup`: the Windows installer
# Corvane-<version>-setup.exe in the build folder, made by makensis from
# packaging/windows/corvane.nsi with the project's version.
find_program(CORVANE_MAKENSIS makensis)
if(NOT CORVANE_MAKENSIS)
  message(STATUS "makensis not found: no Windows installer target")
  return()
endif()
set(CORVANE_SETUP ${PROJECT_BINARY_DIR}/Corvane-${PROJECT_VERSION}-setup.exe)
set(CORVANE_SETUP_ICON ${PROJECT_BINARY_DIR}/app/corvane.ico)
# makensis runs here: it takes this machine's paths and reads the script's backslashes
# as separators.
add_custom_command(OUTPUT ${CORVANE_SETUP}
  COMMAND ${CORVANE_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DBIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
          -DICON=${CORVANE_SETUP_ICON} -DOUT_FILE=${CORVANE_SETUP}
          ${PROJECT_SOURCE_DIR}/packaging/windows/corvane.nsi
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/windows/corvane.nsi corvane bxa corvane_translations
          ${CORVANE_SETUP_ICON}
  VERBATIM)
add_custom_target(corvane_setup DEPENDS ${CORVANE_SETUP})
