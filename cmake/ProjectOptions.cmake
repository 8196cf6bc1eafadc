# Options every target of the Windows program shares.
add_library(moqiao_options INTERFACE)
target_include_directories(moqiao_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_definitions(moqiao_options INTERFACE
  WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601)
if(MINGW)
  # The program's own texts are GBK byte strings: narrow literals are stored
  # in code page 936, sources stay UTF-8.
  target_compile_options(moqiao_options INTERFACE
    -fexec-charset=GBK -Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
  target_link_options(moqiao_options INTERFACE -static -static-libgcc -static-libstdc++)
elseif(MSVC)
  target_compile_options(moqiao_options INTERFACE /utf-8 /execution-charset:.936 /W4 /EHsc)
endif()
