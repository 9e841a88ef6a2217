# The Windows installer (NSIS, through CPack): the runnable folder that scripts/windows-deploy.sh
# gathers is installed as it is, with a Start-menu entry for the program and an uninstaller.
# It asks for administrator rights and installs for every user of the machine.
set(TINTWELL_WINDOWS_DEPLOY_DIR "${CMAKE_BINARY_DIR}/deploy" CACHE PATH
    "Runnable folder (program, Qt and runtime DLLs, plugins) that the installer carries")

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Tintwell)
set(CPACK_PACKAGE_VENDOR Velt)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Picture and camera controls of Velt USB cameras")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "tintwell-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tintwell)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Tintwell)
# The folder is the whole package; install() rules of the build do not add to it.
set(CPACK_INSTALL_CMAKE_PROJECTS "")
set(CPACK_INSTALLED_DIRECTORIES "${TINTWELL_WINDOWS_DEPLOY_DIR};.")
set(CPACK_PACKAGE_EXECUTABLES tintwell Tintwell)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME tintwell.exe)
set(CPACK_NSIS_DISPLAY_NAME Tintwell)
set(CPACK_NSIS_PACKAGE_NAME Tintwell)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer for a 64-bit program: it runs where only 64-bit Windows programs can, and
# installs under the 64-bit Program Files.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MODIFY_PATH OFF)
include(CPack)
