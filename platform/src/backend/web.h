// What the browser backend offers the browser's process start-up.
#pragma once

namespace plat {

// Tells the page that the program has ended, with its exit code.
void web_report_exit(int code);

}  // namespace plat
