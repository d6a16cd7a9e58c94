// Every input the page hands the program: keys, the mouse, the wheel, touch and the toolbar's buttons,
// each through one of the program's exported functions (web_bridge.cpp) with plain arguments. The
// browser's own GLUT listens to nothing; the pop-up menu's keys are velmir-menu.js's.
(function () {
'use strict';

const { canvas, stage, running, call, at } = velmirPage;
let pointer = [0, 0]; // the pointer's last place over the picture, in the window's pixels: a key's

// --- Keys. They reach the program from the picture, or from the page as a whole (nothing focused),
// as a desktop window has them. On any other control the page's own keys stay with it: Tab and
// Shift+Tab always move the focus, Space and Enter press the focused button or checkbox, the arrow
// keys move within the toolbar or scroll the output panel; only characters (N, S, "." ...) still
// reach the program from there, as a user who clicked a button and then types expects. Nothing
// reaches it from an open menu. On the picture, the arrow keys turn the camera, 5 degrees a press
// (in the Look At mode, as a drag does), and the context-menu key or Shift+F10 opens the menu.

const plain = (e) => !e.ctrlKey && !e.altKey && !e.metaKey;
const turns = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, 1], ArrowDown: [0, -1] };
// Keys desktop GLUT reports as characters without printing one, and those it reports by number.
const namedCharacters = { Enter: 13, Escape: 27, Backspace: 8, Delete: 127 };
const specialKeys = { F1: 1, F2: 2, F3: 3, F4: 4, F5: 5, F6: 6, F7: 7, F8: 8, F9: 9, F10: 10, F11: 11, F12: 12,
                      ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103, PageUp: 104, PageDown: 105,
                      Home: 106, End: 107, Insert: 108 };

function onKeydown(e) {
  const target = e.target;
  if (!running() || e.key === 'Tab' || e.defaultPrevented || (target.closest && target.closest('[role="menu"]'))) return;
  const onPicture = target === canvas || target === document.body || target === document.documentElement ||
                    target === document || target === window;
  if (onPicture && (e.key === 'ContextMenu' || (e.key === 'F10' && e.shiftKey))) {
    e.preventDefault();
    velmirPage.menu.openAtCorner();
    return;
  }
  if (onPicture && turns[e.key] && plain(e) && !e.shiftKey) {
    e.preventDefault(); // the page does not scroll
    if (velmirPage.state && velmirPage.state.mode !== 0) // 0: Look At, the free camera
      velmirPage.announce('action', 'The arrow keys turn the camera in the Look At mode only');
    call('TurnCamera', ...turns[e.key]);
    return;
  }
  let code = e.key.length === 1 && plain(e) ? e.key.charCodeAt(0) : undefined;
  if (!onPicture && code === 32) code = undefined; // Space presses the focused control
  if (onPicture && code === undefined && plain(e)) code = namedCharacters[e.key];
  if (code !== undefined && code < 256) {
    e.preventDefault();
    call('Key', code, ...pointer);
    velmirPage.keyDone(String.fromCharCode(code));
  } else if (onPicture && specialKeys[e.key] !== undefined) {
    call('SpecialKey', specialKeys[e.key], ...pointer);
  }
}
window.addEventListener('keydown', onKeydown);

// --- The mouse: a press on the picture reaches the program, and so do the moves and the release that
// follow it wherever the pointer goes, as a desktop window keeps a drag that leaves it; a move over
// the picture with no button held is a passive move. The right button opens the menu instead.

let held = 0; // a bit for each button pressed on the picture and not yet released
canvas.addEventListener('mousedown', (e) => {
  if (e.button > 2) return;
  e.preventDefault(); // the focus stays where it is, and nothing is selected
  if (e.button === 2 && velmirPage.menu.attached()) {
    if (running()) velmirPage.menu.openAt(e.clientX, e.clientY);
    return;
  }
  held |= 1 << e.button;
  pointer = at(e.clientX, e.clientY);
  call('MouseButton', e.button, 0, ...pointer);
});
window.addEventListener('mousemove', (e) => {
  if (!held && e.target !== canvas) return;
  const p = at(e.clientX, e.clientY);
  if (p[0] === pointer[0] && p[1] === pointer[1]) return;
  pointer = p;
  call('MouseMotion', ...p);
});
window.addEventListener('mouseup', (e) => {
  if (!(held & (1 << e.button))) return;
  held &= ~(1 << e.button);
  call('MouseButton', e.button, 1, ...at(e.clientX, e.clientY));
});
canvas.addEventListener('contextmenu', (e) => e.preventDefault());

// --- The wheel as the desktop reports it: one notch per wheel click's worth of scrolling, however the
// browser cuts it into events. A mouse wheel click is 120 CSS pixels in Chromium and 6 lines in
// Firefox (on Linux; a line counted as 20 pixels, about what Firefox scrolls for one, so a click is
// 120 pixels in both); a touchpad sends many events of a few pixels, and scrolling as far as one
// click zooms as far as one click. What is left over from whole notches is kept for the next event;
// a notch is given from half a click on, so a click a browser makes a little shorter (100 pixels
// elsewhere, or a zoomed page) still zooms once. Only a wheel over the picture zooms, as only a
// pointer over a desktop window reaches the program.

const pixelsPerNotch = 120;
const pixelsPerLine = 20;
let notches = 0;
canvas.addEventListener('wheel', (e) => {
  if (!running()) return;
  e.preventDefault();
  const unit = e.deltaMode === 1 ? pixelsPerLine : e.deltaMode === 2 ? window.innerHeight : 1;
  notches -= (e.deltaY * unit) / pixelsPerNotch; // positive: away from the user, zooming in
  const whole = Math.sign(notches) * Math.floor(Math.abs(notches) + 0.5);
  if (whole === 0) return;
  notches -= whole;
  call('WheelNotches', whole, ...at(e.clientX, e.clientY));
}, { passive: false });

// --- Touch: one finger drags as the left button does, two fingers pinching zoom in wheel notches (one
// notch each time their distance changes by a quarter), and a finger held still opens the menu.

const pinchStep = 1.25;
const stillPx = 10;
const touch = { mode: null, x: 0, y: 0, startX: 0, startY: 0, distance: 0, timer: 0 };
const spread = (list) => Math.hypot(list[0].clientX - list[1].clientX, list[0].clientY - list[1].clientY);
function endTouchDrag() {
  clearTimeout(touch.timer);
  if (touch.mode === 'drag') call('MouseButton', 0, 1, ...at(touch.x, touch.y));
}
function onTouch(e) {
  e.preventDefault(); // no scrolling, page zoom or emulated mouse events
  if (!running()) return;
  const touches = e.touches;
  if (e.type === 'touchstart' && touches.length === 1) {
    const t = touches[0];
    Object.assign(touch, { mode: 'drag', x: t.clientX, y: t.clientY, startX: t.clientX, startY: t.clientY });
    call('MouseButton', 0, 0, ...at(t.clientX, t.clientY));
    touch.timer = setTimeout(() => {
      if (touch.mode !== 'drag' || !running()) return;
      endTouchDrag();
      touch.mode = 'menu';
      velmirPage.menu.openAt(touch.x, touch.y);
    }, velmir.longPressMs);
  } else if (touches.length >= 2 && touch.mode !== 'menu') {
    if (touch.mode !== 'pinch') {
      endTouchDrag();
      Object.assign(touch, { mode: 'pinch', distance: spread(touches) });
    }
    const now = spread(touches);
    const x = (touches[0].clientX + touches[1].clientX) / 2, y = (touches[0].clientY + touches[1].clientY) / 2;
    for (; now >= touch.distance * pinchStep; touch.distance *= pinchStep) call('WheelNotches', 1, ...at(x, y));
    for (; now <= touch.distance / pinchStep; touch.distance /= pinchStep) call('WheelNotches', -1, ...at(x, y));
  } else if (e.type === 'touchmove' && touch.mode === 'drag') {
    const t = touches[0];
    touch.x = t.clientX;
    touch.y = t.clientY;
    if (Math.hypot(touch.x - touch.startX, touch.y - touch.startY) > stillPx) clearTimeout(touch.timer);
    call('MouseMotion', ...at(touch.x, touch.y));
  } else if (touches.length === 0) {
    endTouchDrag();
    touch.mode = null;
  }
}
for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel'])
  canvas.addEventListener(type, onTouch, { passive: false });
velmirPage.onStop(() => {
  endTouchDrag();
  touch.mode = null;
});

// --- The toolbar: each button sends what its key sends; one stop of the Tab key, within which
// ArrowLeft, ArrowRight, Home and End move (ArrowDown on the Menu button opens its menu).

const toolbar = document.getElementById('controls');
const buttons = [...toolbar.querySelectorAll('button')];
velmirPage.setControlsEnabled(false);
velmirPage.onStop(() => velmirPage.setControlsEnabled(false));
for (const button of buttons) {
  button.addEventListener('mousedown', (e) => e.preventDefault()); // the focus stays where it is
  const key = button.dataset.key;
  if (key === undefined) continue;
  button.addEventListener('click', (e) => {
    if (!running()) return;
    call('Key', key.charCodeAt(0), ...pointer);
    velmirPage.keyDone(key);
    if (e.detail > 0) canvas.focus(); // after a click; pressed from the keyboard, the button keeps the focus
  });
}
const usable = () => buttons.filter((b) => !b.hidden && !b.disabled);
function rove(to) {
  for (const b of buttons) b.tabIndex = b === to ? 0 : -1;
}
rove(buttons[0]);
toolbar.addEventListener('focusin', (e) => rove(e.target.closest('button')));
toolbar.addEventListener('keydown', (e) => {
  const list = usable();
  const from = list.indexOf(document.activeElement);
  const to = { ArrowRight: from + 1, ArrowLeft: from - 1, Home: 0, End: list.length - 1 }[e.key];
  if (from < 0 || to === undefined) return;
  e.preventDefault();
  list[(to + list.length) % list.length].focus();
});

// --- Full screen shows the picture alone: it takes the focus, and gives it back on leaving; the
// browser's own Escape (or its gesture) leaves it.

const fullScreenButton = document.getElementById('fullscreen-button');
fullScreenButton.hidden = !document.fullscreenEnabled;
fullScreenButton.addEventListener('click', () => {
  if (running()) stage.requestFullscreen().catch(() => {}); // refused: the page stays as it is
});
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
