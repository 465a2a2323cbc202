#pragma once

namespace qinghe::platform::qt {

// Sets up the embedded browser's engine; call before the first browser
// exists. Chromium refuses to run as root with its sandbox on, so the
// sandbox goes off for root. The player pages are local files that play
// media and streams from any http(s) server, which sends them no CORS
// headers, so the engine's same-origin checks are off; the browser in turn
// shows nothing but local pages (SilentPage refuses other navigations).
void prepare_web_engine();

}  // namespace qinghe::platform::qt
