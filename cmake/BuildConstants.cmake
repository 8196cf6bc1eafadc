# The program has no run-time configuration: hosts, credentials and the mail
# account are compiled in. Any build can point them at its own servers.
set(MOQIAO_TRANSLATE_HOST "127.0.0.1:8090" CACHE STRING "host[:port] of the translation service")
set(MOQIAO_APP_ID "20200417000123908" CACHE STRING "translation service application id")
set(MOQIAO_SECRET_KEY "Kq7TzW2mRp9LxBv4NcHs" CACHE STRING "translation service secret key")
set(MOQIAO_SERVICE_QPS "1" CACHE STRING "requests per second the translation service accepts (its standard tier: 1)")
set(MOQIAO_UPDATE_HOST "127.0.0.1:8091" CACHE STRING "host[:port] of the update server")
set(MOQIAO_SMTP_HOST "127.0.0.1" CACHE STRING "mail server host")
set(MOQIAO_SMTP_PORT "25" CACHE STRING "mail server port")
set(MOQIAO_SMTP_USER "13800138000" CACHE STRING "mail account user name")
set(MOQIAO_SMTP_PASSWORD "QTRWPLMZKXHVBNJE" CACHE STRING "mail account password")
set(MOQIAO_MAIL_FROM "13800138000@mail.moqiao.local" CACHE STRING "sender address of feedback mail")
set(MOQIAO_MAIL_TO "feedback@moqiao.local" CACHE STRING "recipient of feedback mail")

# How long one HTTP exchange may wait for the server. The test build waits
# less: its many deliberately silent servers would otherwise spend most of
# the run in these waits. They stay longer than the slowest answer a test
# asks a stand-in for (3 s).
if(MOQIAO_BUILD_TESTS)
  set(moqiao_connect_default 1000)
  set(moqiao_transfer_default 4000)
else()
  set(moqiao_connect_default 5000)
  set(moqiao_transfer_default 10000)
endif()
set(MOQIAO_CONNECT_TIMEOUT_MS "${moqiao_connect_default}" CACHE STRING "HTTP connect time-out (ms)")
set(MOQIAO_SEND_TIMEOUT_MS "${moqiao_transfer_default}" CACHE STRING "HTTP send time-out (ms)")
set(MOQIAO_RECEIVE_TIMEOUT_MS "${moqiao_transfer_default}" CACHE STRING "HTTP receive time-out (ms)")

configure_file(${PROJECT_SOURCE_DIR}/cmake/build_constants.h.in
               ${PROJECT_BINARY_DIR}/generated/build_constants.h @ONLY)
add_library(moqiao_constants INTERFACE)
target_include_directories(moqiao_constants INTERFACE ${PROJECT_BINARY_DIR}/generated)
