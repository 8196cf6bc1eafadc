#pragma once
// What the stand-ins do before they serve: open the request log when one is
// asked for, bind 127.0.0.1 only, and say "Connection: close" on every
// answer after which they close the connection.
#include <httplib.h>

#include <string>

#include "standin/request_log.h"

namespace standin {

// Returns the bound port (port 0 picks a free one), or -1 with error set.
int open_log_and_bind(httplib::Server& server, RequestLog& log, const std::string& log_path,
                      int port, std::string& error);

// Answers a request no route took (any status of 400 or more without a
// body of its own) with its status as plain text, and logs it "unrouted".
void answer_unrouted_plainly(httplib::Server& server, RequestLog& log);

}  // namespace standin
