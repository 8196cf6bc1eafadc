# The release package: `cmake --build <windows build dir> --target release`
# writes moqiao-<version>-win64.zip with the program, the Chinese guide, the
# license and the third-party notices. CPack's ZIP generator needs no outside
# archiver. Nothing else of the build has install rules, so test programs and
# stand-ins stay out.
install(TARGETS moqiao RUNTIME DESTINATION .)
install(FILES "${PROJECT_SOURCE_DIR}/docs/使用说明.txt" "${PROJECT_SOURCE_DIR}/LICENSE"
  "${PROJECT_SOURCE_DIR}/docs/third-party-notices.txt"
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME moqiao)
set(CPACK_PACKAGE_VENDOR "Moqiao")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "墨桥窗口翻译")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "moqiao-${PROJECT_VERSION}-win64")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
include(CPack)

# On a Unix host CPack's archive library converts entry names through the
# locale it runs in: under "C" it cannot read 使用说明.txt at all, and only
# under a UTF-8 locale does the entry carry the ZIP's UTF-8 flag (bit 11), so
# that Windows shows the name right. The release target runs CPack under a
# UTF-8 locale whatever the build machine's is. (The plain `package` target
# that include(CPack) adds runs in the caller's locale.)
if(CMAKE_HOST_UNIX)
  set(moqiao_package_locale LC_ALL=C.UTF-8)
endif()
add_custom_target(release
  COMMAND ${CMAKE_COMMAND} -E env ${moqiao_package_locale}
    ${CMAKE_CPACK_COMMAND} --config "${PROJECT_BINARY_DIR}/CPackConfig.cmake"
  WORKING_DIRECTORY "${PROJECT_BINARY_DIR}"
  DEPENDS moqiao
  COMMENT "Making the release package"
  VERBATIM)
