// Shared by the three player pages. The page is called as
//   <site>.htm?kwelo_iid=<video identifier>
// and everything after "kwelo_iid=" is the identifier, "&" included.
// An http(s) address or a relative path to a media file plays:
//   .m3u8           through hls.js (hls.min.js beside this page),
//   .flv and .ts    through mpegts.js (mpegts.js beside this page),
//   anything else   in the browser's own <video>.
// Every byte comes through the program's stream gateway, which serves this
// page's own identifier (and what its playlists name) and nothing else.
// A stream whose codecs the browser cannot decode (found from the stream
// players' codec reports, or by a watchdog on the decoded bytes) is played
// again from the program's converter, as H.264 + AAC, through the gateway.
// Any other identifier (a site's own video id) is shown with the site's name.
// An identifier too long for any address the browser loads comes as
//   <site>.htm?kwelo_too_long=<its length in characters>
// and the page says so.
// A failure is shown in the page, naming the identifier and what went wrong;
// body's data-state says what the page is doing: "loading", "converting",
// "playing", "failed" or "shown" (a site's own id); data-conversion, once the
// converter plays the stream, says how much it converts ("audio" or "full").
// Space pauses and resumes, F toggles full screen.
(function () {
  "use strict";

  var NETWORK_RETRIES = 3;        // bounded retries of a stream whose network fails
  var RETRY_DELAY_MS = 1000;      // wait before a retry
  var MAX_RETRY_DELAY_MS = 4000;  // longest wait between hls.js's retries
  var REQUEST_TIMEOUT_MS = 5000;  // a request, or a load's first byte, that takes longer has failed
  var LOAD_TIMEOUT_MS = 10000;    // a whole playlist or segment load
  var START_TIMEOUT_MS = 10000;   // no first frame and no data for that long: say so
  var CHECK_INTERVAL_MS = 250;    // how often the decode watchdog looks

  // Status texts said in more than one place.
  var NO_SERVER = "无法连接到服务器";
  var RETRIES_FAILED = "网络连接失败，重试 " + NETWORK_RETRIES + " 次后仍然失败";
  function unsupported(form) { return "此浏览器不支持 " + form + " 播放"; }
  function retrying(attempt) { status("网络中断，正在重试（第 " + attempt + " 次）…"); }

  var id = "";
  var video = null;
  var failed = false;
  var started = false;
  var stop_stream = function () {};  // ends hls.js or mpegts.js when the play fails

  function identifier() {
    var query = window.location.search.replace(/^\?/, "");
    var at = query.indexOf("kwelo_iid=");
    if (at < 0) return "";
    var raw = query.substring(at + "kwelo_iid=".length);
    try {
      return decodeURIComponent(raw);
    } catch (e) {
      return raw;
    }
  }

  // The length of an identifier too long to be carried in the address, or "".
  function too_long_length() {
    var match = /^\?kwelo_too_long=(\d+)$/.exec(window.location.search);
    return match ? match[1] : "";
  }

  // The stream's address without the request headers an identifier may
  // carry after it ("address%7CUser-Agent=...&Referer=...", or with a bare
  // "|"): the suffix starts at the first mark whose remainder is name=value
  // pairs naming User-Agent, Referer (Referrer) or Origin. The program sends
  // the headers itself; the page only plays the address.
  function stream_address(text) {
    var marks = /%7c|\|/gi;
    var found = -1;
    var match;
    while ((match = marks.exec(text)) !== null) {
      var rest = text.substring(match.index + match[0].length);
      if (is_header_list(rest)) {
        found = match.index;
        break;
      }
    }
    return found < 0 ? text : text.substring(0, found);
  }

  // Whether text is "name=value" pairs joined by "&" naming at least one of
  // the three headers. Split, not matched by one pattern: a pattern of
  // repeated pairs backtracks for ever on a long hostile identifier.
  function is_header_list(text) {
    var pairs = text.split("&");
    var named = false;
    for (var i = 0; i < pairs.length; i++) {
      if (pairs[i] === "") continue;
      var eq = pairs[i].indexOf("=");
      if (eq <= 0) return false;
      if (/^(user-agent|referr?er|origin)$/i.test(pairs[i].substring(0, eq))) named = true;
    }
    return named;
  }

  // How the identifier plays: "hls", "flv", "mpegts", "video", or "" when it
  // names no media at all.
  function form(text) {
    text = stream_address(text);
    var remote = /^https?:\/\//i.test(text);
    if (!remote && /^[a-z][a-z0-9+.-]*:/i.test(text)) return "";
    var path = text.replace(/[?#].*$/, "");
    if (/\.m3u8$/i.test(path)) return "hls";
    if (/\.flv$/i.test(path)) return "flv";
    if (/\.ts$/i.test(path)) return "mpegts";
    if (/\.(mp4|m4v|mov|webm|mkv|ogv|ogg|oga|mp3|m4a|aac|wav|flac)$/i.test(path)) return "video";
    return remote ? "video" : "";
  }

  // Where the gateway serves the identifier's bytes.
  function gateway_address(text) {
    return new URL("../gateway/play?kwelo_iid=" + encodeURIComponent(text), window.location.href).href;
  }

  // A relative path names a file of the program; the gateway answers 404
  // when it is not there.
  function is_local() {
    return !/^https?:\/\//i.test(id);
  }

  function failure_for_status(code) {
    if (code === 404 && is_local()) return "找不到视频文件";
    return http_failure(code);
  }

  function state(value) {
    document.body.setAttribute("data-state", value);
  }

  function status(text) {
    var line = document.getElementById("status");
    line.textContent = text;
    line.hidden = text === "";
  }

  function fail(what) {
    if (failed) return;
    failed = true;
    try {
      stop_stream();
    } catch (e) {
      // The player is gone either way.
    }
    state("failed");
    status("无法播放“" + id + "”：" + what);
    if (video) {
      video.removeAttribute("src");
      video.load();
      video.hidden = true;
    }
  }

  function http_failure(code) {
    if (code === 404) return "服务器上没有这个视频（HTTP 404）";
    if (code === 403) return "服务器拒绝访问（HTTP 403）";
    return "服务器返回错误（HTTP " + code + "）";
  }

  // After the <video> element reports an error: find out whether the
  // address is missing, refused by the server or unreachable, or whether the
  // content is there but cannot be decoded.
  function explain_failure(url, decode_failure) {
    var request = new XMLHttpRequest();
    var answered = false;
    function answer(what) {
      if (answered) return;
      answered = true;
      request.abort();
      fail(what);
    }
    request.onreadystatechange = function () {
      if (request.readyState < 2) return;
      if (request.status >= 400) answer(failure_for_status(request.status));
      else if (request.status === 0) answer(NO_SERVER);
      else answer(decode_failure);
    };
    request.onerror = function () { answer(NO_SERVER); };
    request.ontimeout = function () { answer("连接服务器超时"); };
    try {
      request.open("HEAD", url);
      request.responseType = "arraybuffer";
      request.timeout = REQUEST_TIMEOUT_MS;
      request.send();
    } catch (e) {
      answer(decode_failure);
    }
  }

  var DECODE_FAILURE = "视频无法解码（格式不受支持或文件已损坏）";

  function play_video(url) {
    var retries = 0;
    video.src = url;
    video.addEventListener("error", function () {
      var code = video.error ? video.error.code : 0;
      if (failed || converting || code === 0) return;
      // A network that drops in the middle of a remote file: resume a few
      // times where playback stopped, then give up.
      if (code === 2 && started && retries < NETWORK_RETRIES) {
        retries += 1;
        var at = video.currentTime;
        retrying(retries);
        setTimeout(function () {
          video.src = url;
          video.currentTime = at;
          video.play();
        }, RETRY_DELAY_MS);
        return;
      }
      if (code === 2 && started) fail("网络中断，重试 " + retries + " 次后仍然失败");
      else explain_failure(url, DECODE_FAILURE);
    });
  }

  var start_timer = null;
  function waiting() {
    if (started || failed) return;
    clearTimeout(start_timer);
    start_timer = setTimeout(function () {
      if (!started) fail("等待 " + START_TIMEOUT_MS / 1000 + " 秒仍未收到画面（连接超时或视频无法播放）");
    }, START_TIMEOUT_MS);
  }

  function load_script(name, ready) {
    var script = document.createElement("script");
    script.src = name;
    script.onload = ready;
    script.onerror = function () { fail("播放组件 " + name + " 缺失"); };
    document.head.appendChild(script);
  }

  function play_hls(url) {
    load_script("hls.min.js", function () {
      if (!window.Hls || !Hls.isSupported()) return fail(unsupported("HLS"));
      var retry = { maxNumRetry: NETWORK_RETRIES, retryDelayMs: RETRY_DELAY_MS, maxRetryDelayMs: MAX_RETRY_DELAY_MS };
      var policy = { default: { maxTimeToFirstByteMs: REQUEST_TIMEOUT_MS, maxLoadTimeMs: LOAD_TIMEOUT_MS,
                                timeoutRetry: retry, errorRetry: retry } };
      // No worker: the page's policy lets scripts come from this origin only.
      var hls = new Hls({ enableWorker: false, manifestLoadPolicy: policy, playlistLoadPolicy: policy,
                          fragLoadPolicy: policy });
      stop_stream = function () { stop_stream = function () {}; hls.destroy(); };
      var media_recoveries = 0;
      hls.on(Hls.Events.ERROR, function (event, data) {
        if (converting || failed || hls_codec_refused(data)) return;
        if (!data.fatal) return;
        if (data.type === Hls.ErrorTypes.MEDIA_ERROR && media_recoveries < 1 && started) {
          media_recoveries += 1;
          hls.recoverMediaError();
          return;
        }
        var code = data.response && data.response.code;
        if (data.type !== Hls.ErrorTypes.NETWORK_ERROR) fail(DECODE_FAILURE);
        else if (code >= 400) fail(failure_for_status(code));
        else fail(RETRIES_FAILED);
      });
      hls.on(Hls.Events.FRAG_LOADED, waiting);
      watch_hls_codecs(hls);
      hls.loadSource(url);
      hls.attachMedia(video);
    });
  }

  function play_mpegts(url, type) {
    load_script("mpegts.js", function () {
      if (!window.mpegts || !mpegts.isSupported()) return fail(unsupported(type.toUpperCase()));
      start(url);
    });
    function start(source) {
      var retries = 0;
      var player = null;
      function open() {
        player = mpegts.createPlayer({ type: type, url: source },
                                     { enableWorker: false, lazyLoad: false });
        stop_stream = function () { stop_stream = function () {}; player.destroy(); };
        player.on(mpegts.Events.ERROR, function (kind, detail, info) {
          if (failed || converting || mpegts_media_refused(player, kind, info)) return;
          if (kind !== mpegts.ErrorTypes.NETWORK_ERROR) return fail(DECODE_FAILURE);
          if (info && info.code >= 400) return fail(failure_for_status(info.code));
          if (retries < NETWORK_RETRIES) {
            retries += 1;
            retrying(retries);
            stop_stream();
            setTimeout(open, RETRY_DELAY_MS);
            return;
          }
          fail(RETRIES_FAILED);
        });
        watch_mpegts_codecs(player);
        player.attachMediaElement(video);
        player.load();
        var playing = player.play();
        if (playing && playing.catch) playing.catch(function () {});
      }
      open();
    }
  }

  // ---- What the browser cannot decode goes through the converter ----
  var DECODE_CHECK_MS = 3000;     // a track that decodes nothing for that long is converted
  var DECODE_CHECK_MEDIA_S = 0.5; // ... or once that much of the stream has played
  var AUDIO_ONLY = /\.(mp3|m4a|aac|wav|flac|oga)$/i;
  var converting = "";            // "audio" or "full" once the converter plays the stream
  var conversion_retries = 0;
  var stream_kinds = { video: true, audio: true };  // which tracks the stream is known to carry

  function can_decode(container, codec) {
    if (!window.MediaSource || !MediaSource.isTypeSupported) return true;
    if (/^mp3$/i.test(codec)) return MediaSource.isTypeSupported("audio/mpeg");
    return MediaSource.isTypeSupported(container + '; codecs="' + codec + '"');
  }

  // Converts when a codec the stream player reports cannot be decoded:
  // the video's codec needs a full conversion, the audio's alone only AAC,
  // unless the player saw no video at all (one it cannot read, such as
  // MPEG-2, is not reported), which the converter then converts too.
  function check_codecs(video_codec, audio_codec, video_container, audio_container) {
    if (converting || failed) return;
    if (video_codec && !can_decode(video_container || "video/mp4", video_codec)) convert("full");
    else if (audio_codec && !can_decode(audio_container || "audio/mp4", audio_codec))
      convert(video_codec ? "audio" : "full");
  }

  function watch_hls_codecs(hls) {
    hls.on(Hls.Events.MANIFEST_PARSED, function (event, data) {
      var level = data.levels && data.levels[0];
      if (!level) return;
      if (level.videoCodec || level.audioCodec) stream_kinds = { video: !!level.videoCodec, audio: !!level.audioCodec };
      check_codecs(level.videoCodec, level.audioCodec);
    });
    hls.on(Hls.Events.BUFFER_CODECS, function (event, tracks) {
      var v = tracks.video || tracks.audiovideo, a = tracks.audio;
      check_codecs(v && v.codec, a && a.codec, v && v.container, a && a.container);
    });
  }

  // The browser refused a codec hls.js found: convert what it refused.
  function hls_codec_refused(data) {
    var details = Hls.ErrorDetails;
    if (data.details !== details.BUFFER_ADD_CODEC_ERROR && data.details !== details.BUFFER_INCOMPATIBLE_CODECS_ERROR)
      return false;
    convert(data.sourceBufferName === "audio" || /^audio\//.test(data.mimeType || "") ? "audio" : "full");
    return true;
  }

  // The browser refused what mpegts.js handed it (a codec such as AC-3):
  // the converter makes it decodable, or says why it cannot.
  function mpegts_media_refused(player, kind, info) {
    if (kind !== mpegts.ErrorTypes.MEDIA_ERROR) return false;
    var media = player.mediaInfo || {};
    var audio = /audio/i.test((info && info.msg) || "");
    convert(audio && media.hasVideo && media.videoCodec ? "audio" : "full");
    return true;
  }

  function watch_mpegts_codecs(player) {
    player.on(mpegts.Events.MEDIA_INFO, function (info) {
      if (!info) return;
      check_codecs(info.hasVideo && info.videoCodec, info.hasAudio && info.audioCodec);
    });
  }

  // The rest is caught by the decoder's own counters: a video that never
  // gets a picture size or decodes no bytes, or audio that decodes none,
  // while the stream plays.
  // After an audio conversion the picture is checked again.
  function watch_decoding(how) {
    var audio_only = AUDIO_ONLY.test(id.replace(/[?#].*$/, ""));
    var checked = null;  // the conversion ("" for none) whose check is done
    var begun = 0;
    function video_silent() {
      return !audio_only && stream_kinds.video &&
             (video.videoWidth === 0 || video.webkitVideoDecodedByteCount === 0);
    }
    function audio_silent() {
      return stream_kinds.audio && typeof video.webkitAudioDecodedByteCount === "number" &&
             video.webkitAudioDecodedByteCount === 0;
    }
    function check() {
      if (converting === "full" || failed || !started || checked === converting) return;
      if (!begun) begun = Date.now();
      if (video.currentTime < DECODE_CHECK_MEDIA_S && Date.now() - begun < DECODE_CHECK_MS) return;
      checked = converting;
      begun = 0;
      if (video_silent()) convert("full");
      else if (!converting && audio_silent()) convert("audio");
    }
    setInterval(check, CHECK_INTERVAL_MS);
    // A file whose picture the browser dropped says so with its metadata.
    if (how === "video")
      video.addEventListener("loadedmetadata", function () {
        if (!converting && !failed && video.videoWidth === 0 && !audio_only) convert("full");
      });
  }

  // The converter's output for this page's own identifier, and its report.
  function converter_address(kind) {
    return new URL("../gateway/convert?kind=" + kind + "&kwelo_iid=" + encodeURIComponent(id),
                   window.location.href).href;
  }

  function converter_failure(ready) {
    var request = new XMLHttpRequest();
    request.open("GET", new URL("../gateway/convert-status?kwelo_iid=" + encodeURIComponent(id),
                                window.location.href).href);
    request.timeout = REQUEST_TIMEOUT_MS;
    request.onload = function () { ready(request.status === 200 ? request.responseText : ""); };
    request.onerror = request.ontimeout = function () { ready(""); };
    request.send();
  }

  // Plays the stream again from the converter, in the same <video>.
  function convert(kind) {
    if (failed || converting === "full" || converting === kind) return;
    converting = kind;
    document.body.setAttribute("data-conversion", kind);
    try {
      stop_stream();
    } catch (e) {
      // The old player is gone either way.
    }
    started = false;
    video.loop = false;
    video.removeAttribute("src");
    video.load();
    state("converting");
    status("正在转换…");
    waiting();
    load_script("mpegts.js", function () {
      if (!window.mpegts || !mpegts.isSupported()) return fail(unsupported("MPEG-TS"));
      play_converted(kind);
    });
  }

  function play_converted(kind) {
    var player = mpegts.createPlayer({ type: "mpegts", isLive: true, url: converter_address(kind) },
                                     { enableWorker: false, lazyLoad: false, enableStashBuffer: false });
    stop_stream = function () { stop_stream = function () {}; player.destroy(); };
    var ended = false;
    function converter_ended() {
      if (ended || failed) return;
      ended = true;
      converter_failure(function (cause) {
        if (failed) return;
        // A stream that drops while playing is converted again, a few times.
        if (cause !== "" && started && conversion_retries < NETWORK_RETRIES) {
          conversion_retries += 1;
          retrying(conversion_retries);
          stop_stream();
          setTimeout(function () { play_converted(kind); }, RETRY_DELAY_MS);
        } else if (cause !== "") {
          fail(cause);
        } else if (!started) {
          fail("转换器没有输出画面或声音");
        }
      });
    }
    player.on(mpegts.Events.ERROR, converter_ended);
    player.on(mpegts.Events.LOADING_COMPLETE, converter_ended);
    player.attachMediaElement(video);
    player.load();
    var playing = player.play();
    if (playing && playing.catch) playing.catch(function () {});
  }
  // ---- end of conversion ----

  function show(site) {
    var stage = document.getElementById("stage");
    var line = document.getElementById("status");
    document.getElementById("identifier").textContent = id === "" ? "（没有视频编号）" : stream_address(id);
    var how = id === "" ? "" : form(id);
    if (how === "") {
      state("shown");
      stage.textContent = site + " 视频 " + (id === "" ? "" : "“" + id + "”");
      return;
    }
    state("loading");
    status("正在加载“" + id + "”…");
    video = document.createElement("video");
    video.controls = true;
    video.autoplay = true;
    video.loop = how === "video" || how === "hls";
    stage.textContent = "";
    stage.appendChild(video);
    stage.appendChild(line);
    function playing() {
      if (failed || video.currentTime <= 0) return;
      started = true;
      if (document.body.getAttribute("data-state") === "playing") return;
      state("playing");
      status("");
    }
    video.addEventListener("playing", playing);
    video.addEventListener("timeupdate", playing);
    watch_decoding(how);
    waiting();
    // Data still arriving (a large file over a slow link) keeps the wait going.
    video.addEventListener("progress", waiting);

    // The whole identifier: the gateway sends the headers it carries.
    var url = gateway_address(id);
    if (how === "hls") play_hls(url);
    else if (how === "flv" || how === "mpegts") play_mpegts(url, how);
    else play_video(url);
  }

  // The keyboard plays without a mouse: Space pauses and resumes, F shows
  // the video full screen and back, wherever the focus is in the page.
  function keyboard(event) {
    if (!video || failed || event.ctrlKey || event.altKey || event.metaKey) return;
    // The video's own controls already answer Space while it has the focus.
    if (event.key === " " && event.target !== video) {
      if (video.paused) video.play();
      else video.pause();
    } else if (event.key === "f" || event.key === "F") {
      var change = document.fullscreenElement ? document.exitFullscreen() : video.requestFullscreen();
      if (change && change.catch) change.catch(function () {});
    } else {
      return;
    }
    event.preventDefault();
  }

  window.alert = window.confirm = window.prompt = function () { return null; };
  document.addEventListener("keydown", keyboard, true);
  document.addEventListener("DOMContentLoaded", function () {
    var length = too_long_length();
    if (length !== "") {
      document.getElementById("identifier").textContent = "（视频编号过长）";
      state("failed");
      status("无法播放：视频编号长 " + length + " 个字符，超出了浏览器地址能容纳的长度");
      return;
    }
    id = identifier();
    show(document.body.getAttribute("data-site"));
  });
})();
