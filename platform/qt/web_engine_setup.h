#pragma once

namespace qinghe::platform::qt {

// Sets up the embedded browser's engine; call before the first browser
// exists. Chromium refuses to run as root with its sandbox on, so the
// sandbox goes off for root; the engine's pages are put in the
// accessibility tree.
void prepare_web_engine();

}  // namespace qinghe::platform::qt
