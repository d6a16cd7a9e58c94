// The pop-up menu, built from the program's menus as it registers them (web_glut.cpp) in the
// menu-button pattern: it opens at a point of the picture (the right button, a long press, the
// context-menu key or Shift+F10) or from the Menu button (a click, Enter, Space or ArrowDown), with
// the focus on its first entry. ArrowUp and ArrowDown move (round), Home and End jump; ArrowRight,
// Enter or Space open a submenu, ArrowLeft or Escape close it; Enter, Space or a click choose. Escape
// on the menu itself, Tab, or a press outside close the whole menu, and the focus goes back to what
// had it (the picture if that can no longer take it). Its entries stay inside the screen.
(function () {
'use strict';

const { canvas, stage } = velmirPage;
const button = document.getElementById('menu-button');
// A menu label as it is spoken: without the marker of its access key ("E&xit" is "Exit").
const spoken = (label) => label.replace(/&(.)/g, '$1');

const menus = new Map(); // a menu's id: its entries { label, value, sub } in order (sub 0: an entry)
let attached = 0;        // the menu the right button opens
Object.assign(window.Module, {
  onMenuEntry(menu, label, value, sub) {
    if (!menus.has(menu)) menus.set(menu, []);
    menus.get(menu).push({ label, value, sub });
  },
  onMenuAttached(menu) { attached = menu; },
});

let open = null;   // the open menu's element
let opener = null; // what had the focus when it opened
const entriesOf = (menu) => [...menu.querySelectorAll(':scope > .entry')];

function build(id, depth) {
  const menu = document.createElement('div');
  menu.className = 'menu';
  menu.setAttribute('role', 'menu');
  for (const entry of menus.get(id) ?? []) {
    const item = document.createElement('div');
    item.className = 'entry';
    item.setAttribute('role', 'menuitem');
    item.tabIndex = -1;
    item.textContent = entry.label; // exactly as the program registered it
    item.dataset.label = entry.label;
    item.setAttribute('aria-label', spoken(entry.label));
    if (entry.sub && depth < 8) {
      item.classList.add('has-sub');
      item.setAttribute('aria-haspopup', 'menu');
      item.setAttribute('aria-expanded', 'false');
      const sub = build(entry.sub, depth + 1);
      sub.setAttribute('aria-label', spoken(entry.label));
      item.appendChild(sub);
      item.addEventListener('click', (e) => {
        if (e.target === item) showSub(item, !item.classList.contains('open'));
      });
      item.addEventListener('mouseenter', keepInside);
    } else {
      item.addEventListener('click', (e) => {
        e.stopPropagation();
        choose(id, entry);
      });
    }
    menu.appendChild(item);
  }
  return menu;
}

function showSub(item, shown) {
  item.classList.toggle('open', shown);
  item.setAttribute('aria-expanded', String(shown));
  keepInside();
}

// An entry chosen: the menu closes, the program hears of it; a choice that changes none of the
// state the page reports is still answered.
function choose(id, entry) {
  close();
  const before = velmirPage.stateReports;
  velmirPage.call('ChooseMenuEntry', id, entry.value);
  if (velmir.exitStatus === null && velmirPage.stateReports === before) velmirPage.announce('action', `${spoken(entry.label)}: done`);
}

// Opens the attached menu with its corner at a point of the page.
function openAt(x, y) {
  if (!velmirPage.running() || !attached) return;
  const from = open ? opener : document.activeElement;
  close();
  opener = from;
  open = build(attached, 0);
  open.id = 'velmir-menu';
  open.setAttribute('aria-label', 'Velmir');
  open.addEventListener('keydown', onKey);
  open.addEventListener('contextmenu', (e) => e.preventDefault()); // the key or button that opened it
  open.addEventListener('focusout', (e) => {
    if (open && e.relatedTarget && !open.contains(e.relatedTarget)) close(false); // Tab, or a click elsewhere
  });
  stage.appendChild(open); // inside the picture's place, which is what full screen shows
  place(open, x, y);
  button.setAttribute('aria-expanded', 'true');
  entriesOf(open)[0]?.focus();
}
// From the Menu button, or a key on the picture: at the picture's corner.
function openAtCorner() {
  const box = canvas.getBoundingClientRect();
  openAt(box.left + 8, box.top + 8);
}

function close(focusBack = true) {
  if (!open) return;
  const hadFocus = open.contains(document.activeElement);
  open.remove();
  open = null;
  button.setAttribute('aria-expanded', 'false');
  const back = opener;
  opener = null;
  if (!focusBack || !hadFocus) return;
  if (!back || back.disabled || !back.isConnected || back === document.body) canvas.focus();
  else back.focus();
}

function onKey(e) {
  const item = e.target.closest('.entry');
  if (!item) return;
  const list = entriesOf(item.parentElement);
  const at = list.indexOf(item);
  const parentItem = item.parentElement.closest('.entry');
  const move = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: list.length - 1 }[e.key];
  if (move !== undefined) {
    list[(move + list.length) % list.length].focus();
  } else if ((e.key === 'ArrowRight' || e.key === 'Enter' || e.key === ' ') && item.classList.contains('has-sub')) {
    showSub(item, true);
    entriesOf(item.querySelector(':scope > .menu'))[0]?.focus();
  } else if (e.key === 'Enter' || e.key === ' ') {
    item.click();
  } else if ((e.key === 'ArrowLeft' || e.key === 'Escape') && parentItem) {
    showSub(parentItem, false);
    parentItem.focus();
  } else if (e.key === 'Escape') {
    close();
  } else {
    return; // Tab leaves the menu, which then closes
  }
  e.preventDefault();
  e.stopPropagation();
}

// The menu inside the screen: at the point asked for (page pixels), moved in as far as it must be;
// each submenu to the right of its entry if it fits there, else to the left, else below it.
function place(menu, x, y) {
  const screen = document.documentElement;
  const size = menu.getBoundingClientRect();
  const fit = (at, extent, room) => `${Math.max(0, Math.min(at, room - Math.ceil(extent)))}px`;
  menu.style.left = fit(x, size.width, screen.clientWidth);
  menu.style.top = fit(y, size.height, screen.clientHeight);
  const box = menu.getBoundingClientRect();
  for (const item of menu.querySelectorAll(':scope > .has-sub')) {
    const sub = item.querySelector(':scope > .menu');
    sub.style.display = 'block';
    const width = Math.ceil(sub.getBoundingClientRect().width);
    sub.style.display = '';
    item.classList.toggle('left', box.right + width > screen.clientWidth && box.left >= width);
    item.classList.toggle('below', box.right + width > screen.clientWidth && box.left < width);
  }
}
// A submenu opened below its entry makes the menu taller: it moves up as far as it must.
function keepInside() {
  if (open) place(open, open.offsetLeft, open.offsetTop);
}

// The Menu button: a click (or Enter, Space) opens the menu, and closes it when open; ArrowDown opens it.
button.addEventListener('click', () => (open ? close() : openAtCorner()));
button.addEventListener('keydown', (e) => {
  if (e.key !== 'ArrowDown') return;
  e.preventDefault();
  e.stopPropagation();
  openAtCorner();
});
// A press anywhere outside closes it (the right button on the picture opens it again there).
document.addEventListener('mousedown', (e) => {
  if (open && e.button !== 2 && !open.contains(e.target)) close();
});
velmirPage.onStop(() => close());

// The camera mode by the words of the menu entry that chooses it: an entry of a submenu of the
// attached menu whose value is the mode.
function modeLabel(mode) {
  for (const entry of menus.get(attached) ?? []) {
    const choice = entry.sub && (menus.get(entry.sub) ?? []).find((c) => !c.sub && c.value === mode);
    if (choice) return choice.label;
  }
  return '';
}

velmirPage.menu = { openAt, openAtCorner, close, attached: () => attached !== 0, modeLabel, spoken };
})();
