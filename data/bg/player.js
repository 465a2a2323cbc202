// Shared by the three player pages. The page is called as
//   <site>.htm?kwelo_iid=<video identifier>
// and everything after "kwelo_iid=" is the identifier, "&" included. An
// http(s) address or a relative path to a media file plays in a <video>;
// any other identifier is shown with the site's name.
(function () {
  "use strict";
  var MEDIA = /\.(mp4|m4v|webm|ogv|ogg|mp3|wav)(\?.*)?$/i;

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

  function playable(id) {
    if (/^https?:\/\//i.test(id)) return true;
    return MEDIA.test(id) && !/^[a-z][a-z0-9+.-]*:/i.test(id);
  }

  function show(site, id) {
    var stage = document.getElementById("stage");
    var label = document.getElementById("identifier");
    label.textContent = id === "" ? "（没有视频编号）" : id;
    if (id !== "" && playable(id)) {
      var video = document.createElement("video");
      video.controls = true;
      video.autoplay = true;
      video.src = id;
      stage.textContent = "";
      stage.appendChild(video);
    } else {
      stage.textContent = site + " 视频 " + (id === "" ? "" : "“" + id + "”");
    }
  }

  window.alert = window.confirm = window.prompt = function () { return null; };
  document.addEventListener("DOMContentLoaded", function () {
    show(document.body.getAttribute("data-site"), identifier());
  });
})();
