# The release package: `cmake --build <windows build dir> --target package`
# writes moqiao-<version>-win64.zip with the program, the Chinese guide and
# the license. CPack's ZIP generator needs no outside archiver. Nothing else
# of the build has install rules, so test programs and stand-ins stay out.
install(TARGETS moqiao RUNTIME DESTINATION .)
install(FILES "${PROJECT_SOURCE_DIR}/docs/使用说明.txt" "${PROJECT_SOURCE_DIR}/LICENSE"
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME moqiao)
set(CPACK_PACKAGE_VENDOR "Moqiao")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "墨桥窗口翻译")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "moqiao-${PROJECT_VERSION}-win64")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
include(CPack)
