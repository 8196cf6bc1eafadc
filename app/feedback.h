#pragma once
// The feedback page: the user's message and contact address go to the
// program's maker by mail.
#include "toolkit/form.h"

namespace app {

// Click handler of 按钮1_提交. Checks the message and the contact address,
// then mails both from the program's account and says whether the server
// took the mail. The mail is sent on a worker while the button is disabled;
// the answer is shown once the server has replied (or stopped answering),
// and not at all when the main window has been closed meanwhile.
void submit_feedback(toolkit::Form& form);

}  // namespace app
