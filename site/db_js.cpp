#include "db_js.h"

namespace site {

// Kept as one raw string so that it reads as the script it is.
const char kDbJs[] = R"JS((function () {
  var ID = 'kestrel-video-links';
  var old = document.getElementById(ID);
  if (old) { old.parentNode.removeChild(old); return; }
  var seen = {}, links = [];
  function add(href, label) {
    if (!href || seen[href] || !/^https?:/i.test(href)) return;
    seen[href] = true;
    links.push({ href: href, label: label || href });
  }
  var videoAddress = /(watch\?v=|\/shorts\/|\/embed\/|\/video\/|\.(mp4|webm|ogv|m4v|mov)(\?|#|$))/i;
  var anchors = document.getElementsByTagName('a');
  for (var i = 0; i < anchors.length; i++) {
    var a = anchors[i];
    if (videoAddress.test(a.href)) add(a.href, (a.textContent || '').replace(/\s+/g, ' ').trim());
  }
  var videos = document.querySelectorAll('video, video source');
  for (var j = 0; j < videos.length; j++) add(videos[j].currentSrc || videos[j].src, '');
  var box = document.createElement('div');
  box.id = ID;
  box.style.cssText = 'position:fixed;top:10px;right:10px;z-index:2147483647;max-width:420px;' +
    'max-height:70%;overflow:auto;background:#111;color:#ccc;border:1px solid #555;padding:8px;' +
    'font:12px sans-serif;box-shadow:0 2px 8px rgba(0,0,0,.5)';
  var head = document.createElement('div');
  head.style.cssText = 'font-weight:bold;margin-bottom:6px';
  head.textContent = '\u0412\u0438\u0434\u0435\u043e \u043d\u0430 \u0441\u0442\u0440\u0430\u043d\u0438\u0446\u0435: ' + links.length;
  var close = document.createElement('span');
  close.textContent = ' \u2715';
  close.title = '\u0417\u0430\u043a\u0440\u044b\u0442\u044c';
  close.style.cssText = 'float:right;cursor:pointer';
  close.onclick = function () { box.parentNode.removeChild(box); };
  head.appendChild(close);
  box.appendChild(head);
  if (!links.length) {
    var none = document.createElement('div');
    none.textContent = '\u0421\u0441\u044b\u043b\u043e\u043a \u043d\u0430 \u0432\u0438\u0434\u0435\u043e \u043d\u0435\u0442.';
    box.appendChild(none);
  }
  for (var k = 0; k < links.length && k < 200; k++) {
    var row = document.createElement('div');
    var link = document.createElement('a');
    link.href = links[k].href;
    link.target = '_blank';
    link.rel = 'noopener noreferrer';
    link.textContent = links[k].label.slice(0, 120);
    link.style.cssText = 'color:#8cf';
    row.appendChild(link);
    box.appendChild(row);
  }
  (document.body || document.documentElement).appendChild(box);
})();
)JS";

}  // namespace site
