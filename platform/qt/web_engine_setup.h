#pragma once

namespace qinghe::platform::qt {

// Sets up the embedded browser's engine; call before the first browser
// exists. Chromium refuses to run as root with its sandbox on, so the
// sandbox goes off for root. Web security stays on whatever the
// environment's engine flags say: flags that would turn it off, or let
// local pages read files, are dropped from them.
void prepare_web_engine();

}  // namespace qinghe::platform::qt
