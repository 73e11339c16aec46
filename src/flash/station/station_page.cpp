// The station's page: markup, style and script served from the station
// itself (no outside resources). The script fills the page only through
// textContent: a board's words are never markup.
#include "flash/station/station_serve.h"

namespace tarnwick::flash {

const char* const kStationPageHtml = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Station</title>
<link rel="stylesheet" href="/page.css">
<script src="/page.js" defer></script>
</head>
<body>
<header>
  <div id="title"><span id="host">station</span> <span id="started" class="dim"></span></div>
  <div id="counts">
    <span class="count pass"><b id="passed">0</b> passed</span>
    <span class="count fail"><b id="failed">0</b> failed</span>
    <span class="count"><b id="yield">&ndash;</b> yield</span>
  </div>
</header>
<div id="banner" hidden></div>
<div id="image" class="dim"></div>
<main id="tiles"></main>
<section>
  <h2>Last records</h2>
  <table id="records"><thead><tr><th>Ended</th><th>Device</th><th>Outcome</th><th>Seconds</th><th>Board</th><th>Message</th></tr></thead><tbody></tbody></table>
</section>
</body>
</html>
)html";

const char* const kStationPageCss = R"css(
:root { color-scheme: dark; }
body { margin: 0; padding: 1.2vw 2vw; background: #14171c; color: #eef1f5;
  font: 18px/1.35 "DejaVu Sans", system-ui, sans-serif; }
header { display: flex; flex-wrap: wrap; justify-content: space-between; align-items: baseline;
  gap: 1em; }
#title { font-size: 2.2em; font-weight: bold; }
.dim { color: #9aa4b1; font-weight: normal; font-size: 0.6em; }
#image { font-size: 1.2em; margin: 0.3em 0 0.8em; }
#counts { display: flex; gap: 1.4em; font-size: 1.6em; }
.count b { font-size: 1.6em; }
.count.pass b { color: #3ddc6f; }
.count.fail b { color: #ff5b5b; }
#banner { background: #ffb020; color: #111; font-size: 2em; font-weight: bold;
  padding: 0.4em 0.8em; border-radius: 0.3em; margin: 0.5em 0; }
#tiles { display: grid; grid-template-columns: repeat(auto-fill, minmax(300px, 1fr));
  gap: 1.2vw; margin-bottom: 1.5em; }
.tile { border-radius: 0.5em; padding: 0.7em 0.9em; min-height: 9em; background: #2a2f38;
  border: 4px solid #3a414d; overflow: hidden; overflow-wrap: anywhere; }
.tile .name { font-size: 1.3em; font-weight: bold; }
.tile .device { color: #c9d1db; font-size: 0.95em; }
.tile .state { font-size: 3em; font-weight: bold; margin-top: 0.15em; letter-spacing: 0.03em; }
.tile .reason { font-size: 1.25em; }
.tile.passed { background: #0f6b32; border-color: #3ddc6f; }
.tile.failed { background: #8c1c1c; border-color: #ff5b5b; }
.tile.flashing { background: #1f3f6e; border-color: #5aa0ff; }
.tile.empty { background: #1b1f26; color: #7d8794; }
.bar { height: 0.8em; background: #0d1a2e; border-radius: 0.4em; margin-top: 0.4em; }
.bar div { height: 100%; background: #5aa0ff; border-radius: 0.4em; width: 0; }
h2 { font-size: 1.3em; margin: 0.3em 0; }
table { border-collapse: collapse; width: 100%; font-size: 0.95em; }
th { white-space: nowrap; }
th, td { text-align: left; padding: 0.2em 0.6em; border-bottom: 1px solid #2f3540;
  overflow-wrap: anywhere; }
td.passed { color: #3ddc6f; } td.failed { color: #ff5b5b; }
)css";

const char* const kStationPageJs = R"js('use strict';
// Everything shown comes from the station as JSON and goes in as text.
function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined && text !== null) e.textContent = String(text);
  return e;
}
function set(id, text) { document.getElementById(id).textContent = text; }
const stateWord = { passed: 'PASS', failed: 'FAIL', flashing: 'flashing', waiting: 'waiting',
  empty: 'empty' };

function tile(s) {
  const t = el('div', 'tile ' + s.state);
  t.dataset.state = s.state;
  t.appendChild(el('div', 'name', s.name));
  let where = s.device && s.device !== s.name ? s.device : '';
  if (s.location) where += (where ? '  ' : '') + 'usb-path:' + s.location;
  t.appendChild(el('div', 'device', where || '\u00a0'));
  t.appendChild(el('div', 'state', stateWord[s.state] || s.state));
  if (s.state === 'flashing') {
    const m = /(\d+)\s*%/.exec(s.text);
    const bar = el('div', 'bar');
    const fill = el('div');
    fill.style.width = (m ? m[1] : 0) + '%';
    bar.appendChild(fill);
    t.appendChild(bar);
    t.appendChild(el('div', 'reason', s.text.replace(/^flashing:?\s*/, '')));
  } else if (s.state === 'failed') {
    t.appendChild(el('div', 'reason', s.text.replace(/^FAIL\s*/, '')));
  } else if (s.state === 'passed') {
    t.appendChild(el('div', 'reason', s.text.replace(/^PASS\s*/, '')));
  }
  return t;
}

function show(st) {
  set('host', st.host || 'station');
  set('started', 'since ' + st.started);
  set('image', st.image.name + ' \u2014 ' + st.image.lines + ' lines \u2014 sha256 ' +
      st.image.sha256.slice(0, 16) + '\u2026');
  set('passed', st.passed);
  set('failed', st.failed);
  const total = st.passed + st.failed;
  set('yield', total ? (100 * st.passed / total).toFixed(1) + ' %' : '\u2013');
  document.getElementById('tiles').replaceChildren(...st.sockets.map(tile));
  const rows = st.records.map(r => {
    const tr = el('tr');
    const pass = r.exit_code === 0;
    tr.appendChild(el('td', '', r.time || r.ended || ''));
    tr.appendChild(el('td', '', r.device));
    tr.appendChild(el('td', pass ? 'passed' : 'failed', r.outcome));
    tr.appendChild(el('td', '', r.seconds));
    tr.appendChild(el('td', '', r.board_info));
    tr.appendChild(el('td', '', r.message));
    return tr;
  });
  document.querySelector('#records tbody').replaceChildren(...rows);
  banner(st.stopped ? 'The station has stopped.' : '');
}

function banner(text) {
  const b = document.getElementById('banner');
  b.textContent = text;
  b.hidden = !text;
}

let stopped = false;
function listen() {
  const source = new EventSource('/events');
  source.onmessage = e => {
    const st = JSON.parse(e.data);
    stopped = st.stopped;
    show(st);
  };
  source.onerror = () => {
    source.close();
    banner(stopped ? 'The station has stopped.' :
        'No connection to the station \u2014 trying again\u2026');
    setTimeout(listen, 2000);
  };
}
listen();
)js";

}  // namespace tarnwick::flash
