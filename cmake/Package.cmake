# `cmake --install` lays out the show with its Assets folder beside the executable;
# `cpack` (or the `package` target) makes the release archive.
install(TARGETS kavex_velmora RUNTIME DESTINATION .)
install(DIRECTORY ${DEMO_ASSETS_DIR}/ DESTINATION Assets)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/README.txt DESTINATION .)

set(CPACK_GENERATOR "TGZ")
set(CPACK_PACKAGE_NAME "kavex-velmora")
set(CPACK_PACKAGE_VENDOR "Kavex")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Velmora, a real-time demo by Kavex")
set(CPACK_PACKAGE_FILE_NAME "kavex-velmora-${PROJECT_VERSION}-linux-x86_64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
