// What a screen reader is told: the buttons' pressed states and the picture's name from the program's
// state (reported by web_bridge.cpp whenever it changes), and one short spoken message per action of
// the user's, at most one a second.
(function () {
'use strict';

const { canvas } = velmirPage;
const region = document.getElementById('announce');
const buttonFor = (key) => document.querySelector(`#controls button[data-key="${key}"]`);

// --- Announcements: at most one message a second, each the latest word on each kind of thing (the
// body followed, the time scale ...), joined, so that quick presses are heard as their result.

const gapMs = 1000;
const pending = new Map();
let lastAt = -Infinity;
let timer = 0;
function flush() {
  timer = 0;
  const text = [...pending.values()].join('. ');
  pending.clear();
  lastAt = performance.now();
  // The same words again still change the region, so they are read again.
  region.textContent = region.textContent === text ? `${text}\u00a0` : text;
}
function announce(kind, text) {
  pending.delete(kind); // the newest last
  pending.set(kind, text);
  if (!timer) timer = setTimeout(flush, Math.max(0, lastAt + gapMs - performance.now()));
}

// --- The program's state: the buttons' pressed states, the picture's name, and what changed.

const name = (body) => body.charAt(0).toUpperCase() + body.slice(1);
const shown = (on) => (on ? 'shown' : 'hidden');
const modeName = (s) => velmirPage.menu.spoken(velmirPage.menu.modeLabel(s.mode));
const said = {
  running: (s) => (s.running ? 'Running' : 'Paused'),
  body: (s) => `Following ${name(s.body)}`,
  mode: (s) => `Camera mode ${modeName(s)}`,
  timeScale: (s) => `Time scale ${s.timeScale}`,
  trails: (s) => `Trails ${shown(s.trails)}`,
  arrows: (s) => `Arrows ${shown(s.arrows)}`,
};
function onProgramState(now) {
  velmirPage.stateReports++;
  buttonFor(' ').setAttribute('aria-pressed', String(now.running));
  buttonFor('s').setAttribute('aria-pressed', String(now.trails));
  buttonFor('m').setAttribute('aria-pressed', String(now.arrows));
  canvas.setAttribute('aria-label', `Velmir simulation: following ${name(now.body)}, camera mode ` +
    `${modeName(now)}, time scale ${now.timeScale}, ${said.running(now).toLowerCase()}, ` +
    `trails ${shown(now.trails)}, arrows ${shown(now.arrows)}`);
  const before = velmirPage.state;
  if (before) for (const kind of Object.keys(said)) if (now[kind] !== before[kind]) announce(kind, said[kind](now));
  velmirPage.state = now;
}
window.Module.onProgramState = onProgramState;

// What the keys that change no state did; the others are heard through the state.
const done = { t: 'Ten steps taken', c: 'Trails cleared', x: 'Zoomed in', z: 'Zoomed out',
               h: 'The key help is in the output panel' };
function keyDone(key) {
  const text = done[key.toLowerCase()];
  if (text) announce('action', text);
}

// The end, as the notice over the picture says it.
const ended = document.getElementById('ended');
velmirPage.onStop(() => {
  if (!ended.hidden) announce('end', ended.textContent);
});

Object.assign(velmirPage, { announce, keyDone, state: null, stateReports: 0 });
})();
