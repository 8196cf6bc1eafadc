#pragma once
// The feedback page: the user's message and contact address go to the
// program's maker by mail.
#include "toolkit/form.h"

namespace app {

// Click handler of 按钮1_提交. Checks the message and the contact address,
// then mails both from the program's account and says whether the server
// took the mail. Runs on the user-interface thread and blocks it while the
// mail is sent; a server that stops answering holds it for at most a few
// reply time-outs.
void submit_feedback(toolkit::Form& form);

}  // namespace app
