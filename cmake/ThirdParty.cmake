# Third-party sources taken from the build machine, never from the network.

# Duktape: the amalgamated engine source.
set(MOQIAO_DUKTAPE_DIR "/usr/share/duktape" CACHE PATH "folder holding duktape.c, duktape.h and duk_config.h")
if(NOT EXISTS "${MOQIAO_DUKTAPE_DIR}/duktape.c")
  message(FATAL_ERROR "duktape.c not found in MOQIAO_DUKTAPE_DIR=${MOQIAO_DUKTAPE_DIR}")
endif()
# duk_config.h switches the execution time-out hook off unconditionally, so the
# build uses a copy with the hook switched on: the JSON object stops scripts
# that run too long through moqiao_duktape_timeout_check().
set(_duk_dir "${PROJECT_BINARY_DIR}/third_party/duktape")
file(READ "${MOQIAO_DUKTAPE_DIR}/duk_config.h" _duk_config)
string(REPLACE "#undef DUK_USE_INTERRUPT_COUNTER" "#define DUK_USE_INTERRUPT_COUNTER" _duk_config "${_duk_config}")
string(REPLACE "#undef DUK_USE_EXEC_TIMEOUT_CHECK"
  "#if defined(__cplusplus)\nextern \"C\"\n#endif\nint moqiao_duktape_timeout_check(void *udata);\n#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) (moqiao_duktape_timeout_check(udata) != 0)"
  _duk_config "${_duk_config}")
file(WRITE "${_duk_dir}/duk_config.h.new" "${_duk_config}")
configure_file("${_duk_dir}/duk_config.h.new" "${_duk_dir}/duk_config.h" COPYONLY)
configure_file("${MOQIAO_DUKTAPE_DIR}/duktape.h" "${_duk_dir}/duktape.h" COPYONLY)
# Two limits of duktape.c are tightened so that the time-out also holds for
# scripts that spend their time in native calls: the executor looks at the
# clock every 256 instructions instead of every 256K, and one regular
# expression match gives up after 2e6 backtracking steps instead of 1e9
# (about 60 ms instead of half a minute).
file(READ "${MOQIAO_DUKTAPE_DIR}/duktape.c" _duk_source)
foreach(_duk_limit
    "#define DUK_HTHREAD_INTCTR_DEFAULT (256L * 1024L)|#define DUK_HTHREAD_INTCTR_DEFAULT 256L"
    "#define DUK_RE_EXECUTE_STEPS_LIMIT 1000000000L|#define DUK_RE_EXECUTE_STEPS_LIMIT 2000000L")
  string(REPLACE "|" ";" _duk_pair "${_duk_limit}")
  list(GET _duk_pair 0 _duk_from)
  list(GET _duk_pair 1 _duk_to)
  string(FIND "${_duk_source}" "${_duk_from}" _duk_found)
  if(_duk_found EQUAL -1)
    message(FATAL_ERROR "duktape.c has no line '${_duk_from}' to tighten")
  endif()
  string(REPLACE "${_duk_from}" "${_duk_to}" _duk_source "${_duk_source}")
endforeach()
file(WRITE "${_duk_dir}/duktape.c.new" "${_duk_source}")
configure_file("${_duk_dir}/duktape.c.new" "${_duk_dir}/duktape.c" COPYONLY)
add_library(duktape STATIC "${_duk_dir}/duktape.c")
target_include_directories(duktape SYSTEM PUBLIC "${_duk_dir}")
set_target_properties(duktape PROPERTIES C_STANDARD 99)
target_compile_options(duktape PRIVATE -w)

# Boost.Regex, header-only. Only the boost/ folder is exposed to the Windows
# build, never the host's whole /usr/include.
set(MOQIAO_BOOST_INCLUDE "/usr/include/boost" CACHE PATH "the boost/ header folder")
if(NOT EXISTS "${MOQIAO_BOOST_INCLUDE}/regex.hpp")
  message(FATAL_ERROR "boost/regex.hpp not found in MOQIAO_BOOST_INCLUDE=${MOQIAO_BOOST_INCLUDE}")
endif()
set(_boost_root "${PROJECT_BINARY_DIR}/third_party/boost-headers")
file(MAKE_DIRECTORY "${_boost_root}")
if(NOT EXISTS "${_boost_root}/boost")
  file(CREATE_LINK "${MOQIAO_BOOST_INCLUDE}" "${_boost_root}/boost" SYMBOLIC COPY_ON_ERROR)
endif()
add_library(boost_headers INTERFACE)
target_include_directories(boost_headers SYSTEM INTERFACE "${_boost_root}")
target_compile_definitions(boost_headers INTERFACE BOOST_REGEX_STANDALONE)

# nlohmann-json, header-only, for the chat endpoint's JSON. As with Boost,
# only its nlohmann/ header folder is exposed to the Windows build.
set(MOQIAO_NLOHMANN_INCLUDE "/usr/include/nlohmann" CACHE PATH "the nlohmann/ header folder")
if(NOT EXISTS "${MOQIAO_NLOHMANN_INCLUDE}/json.hpp")
  message(FATAL_ERROR "nlohmann/json.hpp not found in MOQIAO_NLOHMANN_INCLUDE=${MOQIAO_NLOHMANN_INCLUDE}")
endif()
set(_nlohmann_root "${PROJECT_BINARY_DIR}/third_party/nlohmann-headers")
file(MAKE_DIRECTORY "${_nlohmann_root}")
if(NOT EXISTS "${_nlohmann_root}/nlohmann")
  file(CREATE_LINK "${MOQIAO_NLOHMANN_INCLUDE}" "${_nlohmann_root}/nlohmann" SYMBOLIC COPY_ON_ERROR)
endif()
add_library(nlohmann_headers INTERFACE)
target_include_directories(nlohmann_headers SYSTEM INTERFACE "${_nlohmann_root}")
