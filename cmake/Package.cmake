# `cmake --install` lays the show out with its Assets folder and the viewers' README.txt beside
# the executable; scripts/build-release.sh installs its release builds this way and packs them.
install(TARGETS kavex_velmora RUNTIME DESTINATION .)
install(DIRECTORY ${DEMO_ASSETS_DIR}/ DESTINATION Assets)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/README.txt DESTINATION .)
