// The page for a keyboard and a screen reader: the toolbar's arrow keys, the menu by keyboard, the
// picture's name and the buttons' states from the program's own state, and one short spoken message
// per action of the user's. The keys' way into the program itself is the GLUT layer's (web_glut.cpp):
// it reports each key it passes on (Module.onProgramKey) and the program's state whenever it changed
// (Module.onProgramState).
(function () {
'use strict';

const canvas = document.getElementById('canvas');
const stage = document.getElementById('stage');
const toolbar = document.getElementById('controls');
const menuButton = document.getElementById('menu-button');
const region = document.getElementById('announce');
const buttonFor = (key) => toolbar.querySelector(`button[data-key="${key}"]`);

// A menu label as it is spoken: without the marker of its access key ("E&xit" is "Exit").
const spoken = (label) => label.replace(/&(.)/g, '$1');

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
const said = {
  running: (s) => (s.running ? 'Running' : 'Paused'),
  body: (s) => `Following ${name(s.body)}`,
  mode: (s) => `Camera mode ${spoken(s.modeLabel)}`,
  timeScale: (s) => `Time scale ${s.timeScale}`,
  trails: (s) => `Trails ${shown(s.trails)}`,
  arrows: (s) => `Arrows ${shown(s.arrows)}`,
};
let state = null;
let menuChoice = null; // the menu entry just chosen, until it changes the state
function onProgramState(now) {
  buttonFor(' ').setAttribute('aria-pressed', String(now.running));
  buttonFor('s').setAttribute('aria-pressed', String(now.trails));
  buttonFor('m').setAttribute('aria-pressed', String(now.arrows));
  canvas.setAttribute('aria-label', `Velmir simulation: following ${name(now.body)}, camera mode ` +
    `${spoken(now.modeLabel)}, time scale ${now.timeScale}, ${said.running(now).toLowerCase()}, ` +
    `trails ${shown(now.trails)}, arrows ${shown(now.arrows)}`);
  if (state) {
    for (const kind of Object.keys(said)) if (now[kind] !== state[kind]) announce(kind, said[kind](now));
    menuChoice = null;
  }
  state = now;
}
// What the keys that change no state did; the others are heard through the state.
const done = { t: 'Ten steps taken', c: 'Trails cleared', x: 'Zoomed in', z: 'Zoomed out',
               h: 'The key help is in the output panel' };
function onProgramKey(key) {
  const text = done[key.toLowerCase()];
  if (text) announce('action', text);
}
Object.assign(window.Module, { onProgramState, onProgramKey });

// The end, as the notice over the picture says it.
const ended = document.getElementById('ended');
new MutationObserver(() => {
  if (!ended.hidden) announce('end', ended.textContent);
}).observe(ended, { attributes: true, attributeFilter: ['hidden'] });

// --- The picture: the arrow keys turn the camera in the Look At mode only (web_glut.cpp turns it),
// and the context-menu key or Shift+F10 opens the menu.

canvas.addEventListener('keydown', (e) => {
  if (e.key === 'ContextMenu' || (e.key === 'F10' && e.shiftKey)) {
    e.preventDefault();
    if (!menuButton.disabled) menuButton.click();
  } else if (/^Arrow/.test(e.key) && state && state.mode !== 0) { // 0: Look At, the free camera
    announce('action', 'The arrow keys turn the camera in the Look At mode only');
  }
});

// --- The toolbar: one stop of the Tab key; ArrowLeft, ArrowRight, Home and End move within it
// (ArrowDown on the Menu button opens its menu).

const usable = () => [...toolbar.querySelectorAll('button')].filter((b) => !b.hidden && !b.disabled);
function rove(to) {
  for (const b of toolbar.querySelectorAll('button')) b.tabIndex = b === to ? 0 : -1;
}
rove(toolbar.querySelector('button'));
toolbar.addEventListener('focusin', (e) => rove(e.target.closest('button')));
toolbar.addEventListener('keydown', (e) => {
  const list = usable();
  const at = list.indexOf(document.activeElement);
  if (at < 0) return;
  const to = { ArrowRight: at + 1, ArrowLeft: at - 1, Home: 0, End: list.length - 1 }[e.key];
  if (to === undefined) return;
  e.preventDefault();
  list[(to + list.length) % list.length].focus();
});

// --- The menu by keyboard: the focus goes to its first entry when it opens and back where it was
// when it closes; the arrow keys move, Home and End jump, ArrowRight, Enter or Space open a submenu,
// ArrowLeft or Escape close it, Enter or Space choose, Escape (the page's own) closes the menu.

let opener = null;
const entriesOf = (menu) => [...menu.querySelectorAll(':scope > .entry')];
function enhance(menu) {
  menu.setAttribute('aria-label', 'Velmir');
  for (const sub of menu.querySelectorAll('.menu')) sub.setAttribute('aria-label', spoken(sub.parentElement.dataset.label));
  for (const item of menu.querySelectorAll('.entry')) {
    item.tabIndex = -1;
    item.setAttribute('aria-label', spoken(item.dataset.label));
    if (item.classList.contains('has-sub')) {
      item.setAttribute('aria-haspopup', 'menu');
      item.setAttribute('aria-expanded', 'false');
    }
  }
  menu.addEventListener('keydown', onMenuKey);
  menu.addEventListener('contextmenu', (e) => e.preventDefault()); // the key that opened it
  // A submenu's state follows its entry's class, however it was opened.
  new MutationObserver((changes) => {
    for (const { target } of changes)
      if (target.classList.contains('has-sub')) target.setAttribute('aria-expanded', String(target.classList.contains('open')));
  }).observe(menu, { subtree: true, attributes: true, attributeFilter: ['class'] });
  menu.addEventListener('focusout', (e) => {
    // Tab, or a click elsewhere that takes the focus, leaves the menu: it closes.
    if (e.relatedTarget && !menu.contains(e.relatedTarget)) {
      opener = null;
      closeMenu(menu);
    }
  });
  menu.addEventListener('click', (e) => {
    const item = e.target.closest('.entry');
    if (item && !item.classList.contains('has-sub')) menuChoice = spoken(item.dataset.label);
    setTimeout(() => {
      if (menuChoice && velmir.exitStatus === null) announce('action', `${menuChoice}: done`);
      menuChoice = null;
    });
  }, true);
}
// The page's own Escape closes the whole menu.
const closeMenu = (menu) => menu.dispatchEvent(new KeyboardEvent('keydown', { key: 'Escape', bubbles: true }));
function openSub(item) {
  if (!item.classList.contains('open')) item.click(); // the page opens it, inside the screen
  entriesOf(item.querySelector(':scope > .menu'))[0].focus();
}
function onMenuKey(e) {
  const item = e.target.closest('.entry');
  if (!item) return;
  const list = entriesOf(item.parentElement);
  const at = list.indexOf(item);
  const parentItem = item.parentElement.closest('.entry');
  const move = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: list.length - 1 }[e.key];
  if (move !== undefined) {
    list[(move + list.length) % list.length].focus();
  } else if (e.key === 'ArrowRight' && item.classList.contains('has-sub')) {
    openSub(item);
  } else if (e.key === 'Enter' || e.key === ' ') {
    if (item.classList.contains('has-sub')) openSub(item);
    else item.click();
  } else if ((e.key === 'ArrowLeft' || e.key === 'Escape') && parentItem) {
    if (parentItem.classList.contains('open')) parentItem.click();
    parentItem.focus();
  } else {
    return; // Escape on the menu itself bubbles to the page, which closes the menu
  }
  e.preventDefault();
  e.stopPropagation();
}

const showMenu = window.Module.showMenu;
window.Module.showMenu = (...args) => {
  const from = document.activeElement;
  showMenu(...args);
  const menu = document.getElementById('velmir-menu');
  if (!menu) return;
  opener = from;
  enhance(menu);
  entriesOf(menu)[0].focus();
};
// The Menu button says whether its menu is open; a menu that closed with the focus in it gives the
// focus back to what opened it (the picture if that can no longer take it).
new MutationObserver(() => {
  const open = document.getElementById('velmir-menu') !== null;
  menuButton.setAttribute('aria-expanded', String(open));
  if (open || !opener) return;
  const back = opener;
  opener = null;
  if (document.activeElement && document.activeElement !== document.body) return;
  if (back.disabled || !back.isConnected) canvas.focus();
  else back.focus();
}).observe(stage, { childList: true });
menuButton.addEventListener('keydown', (e) => {
  if (e.key === 'ArrowDown') {
    e.preventDefault();
    e.stopPropagation();
    menuButton.click();
  }
});

// --- Full screen shows the picture alone: it takes the focus, and gives it back on leaving.

let beforeFullScreen = null;
let fullScreen = false;
document.addEventListener('fullscreenchange', () => {
  if ((document.fullscreenElement === stage) === fullScreen) return; // the browser may say it twice
  fullScreen = !fullScreen;
  if (fullScreen) {
    beforeFullScreen = document.activeElement;
    canvas.focus();
  } else if (beforeFullScreen) {
    if (document.activeElement === canvas && !beforeFullScreen.disabled) beforeFullScreen.focus();
    beforeFullScreen = null;
  }
});
})();
